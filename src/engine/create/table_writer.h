#pragma once

#include "engine/base/internal.h"

// Writes one whole table: its long values, rows, usage maps, indexes and
// finally its definition on the page reserved for it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/create/page_file.h"
#include "engine/create/usage_map.h"
#include "engine/table_definition.h"
#include "engine/value.h"

namespace engine::create {

// An index to build, its columns given by their positions in the table's columns.
struct IndexSpec {
  std::u16string name;
  std::vector<std::size_t> columns;
  bool primary = false;
  bool unique = false;
  std::uint8_t flags = 0;           // real-index flags (docs/file-format.md, Table definition)
  bool legacyDecimalOrder = false;  // Jet 4 files key decimals in the older order
};

// The real-index flags Access gives a user index.
std::uint8_t userIndexFlags(bool primary, bool unique);

// Writes `table`, laid out and given its definition page, with `rows` and
// `indexes`; completes its definition (row count, maps, indexes) and writes
// it with the column descriptors in `descriptorOrder`.
void writeTable(PageFile& file, UsageMaps& maps, TableDefinition table,
                std::span<const std::size_t> descriptorOrder,
                const std::vector<std::vector<Value>>& rows, const std::vector<IndexSpec>& indexes);

}  // namespace engine::create
