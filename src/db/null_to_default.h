#pragma once

#include "ado/value.h"

namespace Access {

// The fallback when `value` is a database null, else the value unchanged.
ado::Value NullToDefault(const ado::Value& value, const ado::Value& fallback);

}  // namespace Access
