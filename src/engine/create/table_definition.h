#pragma once

#include "engine/base/internal.h"

// Writes a table's definition (docs/file-format.md, Table definition) to its first page, continuing
// on newly allocated pages when it does not fit one.

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/create/page_file.h"
#include "engine/table_definition.h"

namespace engine::create {

// Writes `table` at `table.page`, its column descriptors in `descriptorOrder`
// (positions in table.columns).
void writeTableDefinition(PageFile& file, const TableDefinition& table,
                          std::span<const std::size_t> descriptorOrder);

}  // namespace engine::create
