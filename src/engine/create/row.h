#pragma once

#include "engine/base/internal.h"

// Row images (docs/file-format.md, Data rows): values turned into their stored bytes, then packed
// as column count, fixed area, variable data, offsets and null mask.

#include <optional>
#include <string>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/table_definition.h"
#include "engine/value.h"

namespace engine::create {

// One field as stored: `present` is the null-mask bit (for Yes/No the value
// itself); `bytes` the fixed or variable bytes.
struct StoredField {
  bool present = false;
  Bytes bytes;
};

// Where a value comes from, for messages: "row 3 of table 'Customers'".
std::string valuePlace(const std::u16string& table, std::size_t row,
                       const ColumnDefinition& column);

// The stored form of `value` in `column` (not for memo/OLE columns, whose
// bytes go through a long value). Refuses values of the wrong type or size.
StoredField storeValue(const ColumnDefinition& column, const Value& value,
                       const std::string& place);

// The bytes a memo or OLE value stands for: encoded text or raw bytes;
// nullopt for a null value.
[[nodiscard]] std::optional<Bytes> longValueBytes(const ColumnDefinition& column,
                                                  const Value& value, const std::string& place);

// The row image of `fields` (one per column, in column-number order).
Bytes encodeRow(const TableDefinition& layout, const std::vector<StoredField>& fields);

}  // namespace engine::create
