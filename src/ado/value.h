#pragma once

// Field values as the ado layer hands them out: the engine's value type.

#include "engine/value.h"

namespace ado {

using engine::Bytes;
using engine::Currency;
using engine::DateTime;
using engine::DateTimeExtended;
using engine::Decimal;
using engine::Empty;
using engine::Guid;
using engine::Null;
using engine::Text;
using engine::Value;

}  // namespace ado
