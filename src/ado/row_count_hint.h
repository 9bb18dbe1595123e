#pragma once

// How many rows to make room for before a scan collects one entry a row:
// the count the table definition keeps, bounded, since a damaged file may
// claim billions. Room made in advance spares the copies of a growing
// vector, whose old and new buffers would both be resident at once.

#include <algorithm>
#include <cstddef>

#include "engine/read/table_definition.h"

namespace ado {

inline std::size_t RowCountHint(const engine::TableDefinition& table) {
  constexpr std::size_t kMostRows = std::size_t{1} << 22;
  return std::min<std::size_t>(table.rowCount, kMostRows);
}

}  // namespace ado
