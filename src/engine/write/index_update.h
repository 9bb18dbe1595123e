#pragma once

#include "engine/base/internal.h"

// The index side of changing one text or memo value (docs/file-format.md, Indexes): for every real
// index that covers the column and whose key the change alters, the record's entry leaves its place
// and is inserted where the new key sorts, and the index's count of distinct keys follows. A unique
// index that already holds the new key refuses the change.

#include <optional>
#include <string>
#include <vector>

#include "engine/row.h"
#include "engine/table_definition.h"
#include "engine/value.h"
#include "engine/write/page_changes.h"
#include "engine/write/row_image.h"

namespace engine {

// Records the index changes in `changes` and returns nothing, or returns
// why the change cannot be made (the changes must then be dropped).
// `values` and `image` are the record as it is now; `id` its header row.
[[nodiscard]] std::optional<std::string> planIndexUpdate(
    PageChanges& changes, const TableDefinition& table, RowId id, const std::vector<Value>& values,
    const RowImage& image, const ColumnDefinition& column, const std::u16string& value);

}  // namespace engine
