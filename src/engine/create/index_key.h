#pragma once

// Index keys (§10.2, §10.3, §10.5): per indexed column a flag byte (0x7F for
// a value, 0x00 for null; ascending) and the value's sortable bytes.

#include <optional>
#include <string>

#include "engine/base/value.h"
#include "engine/format/byte_order.h"
#include "engine/format/jet_type.h"
#include "engine/read/table_definition.h"

namespace engine::create {

// Whether an index may cover a column of this type: the integer, floating
// point, currency, date and text types.
bool indexableType(JetType type);

// Appends the key part of one column to `key`. `stored` holds the value's
// little-endian fixed bytes (numbers and dates); `value` the value itself
// (text). Returns false when the value has no known key (text with a
// character outside the known sort codes).
bool appendColumnKey(Bytes& key, const ColumnDefinition& column, bool present, const Bytes& stored,
                     const Value& value);

}  // namespace engine::create
