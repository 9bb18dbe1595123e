#pragma once

// How many rows to make room for before a scan collects one entry a row:
// the count the table definition keeps, bounded, since a damaged file may
// claim billions. Room made in advance spares the copies of a growing
// vector, whose old and new buffers would both be resident at once.

#include <algorithm>
#include <cstddef>
#include <vector>

#include "engine/table_definition.h"

namespace ado {

inline std::size_t RowCountHint(const engine::TableDefinition& table) {
  constexpr std::size_t kMostRows = std::size_t{1} << 22;
  return std::min<std::size_t>(table.rowCount, kMostRows);
}

// After the scan: gives back the room the hint made in excess, when it was
// far off. Trimming copies the whole vector, so it is not done for a little.
template <class T>
void ReturnSpareRoom(std::vector<T>& rows) {
  if (rows.capacity() > rows.size() + rows.size() / 8) rows.shrink_to_fit();
}

}  // namespace ado
