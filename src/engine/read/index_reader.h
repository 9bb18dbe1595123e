#pragma once

#include "engine/base/internal.h"

// Walking an index tree (docs/file-format.md, Index pages): the leaf entries in key order, each
// with its key bytes and the row it points to. The writer uses it to compare index keys before and
// after a change; tests use it to check row identities.

#include <cstdint>
#include <vector>

#include "engine/format.h"
#include "engine/pager/pager.h"
#include "engine/row.h"
#include "engine/table_definition.h"

namespace engine {

struct IndexEntry {
  std::vector<std::uint8_t> key;  // flag byte + value bytes per column
  RowId row;                      // the row's header slot
  std::uint32_t leafPage = 0;     // where the entry is stored
};

// Every leaf entry of `index`, in stored order. Loops between index pages
// and pages of the wrong type throw Error::damaged.
std::vector<IndexEntry> readIndexEntries(Pager& pager, const Format& format,
                                         const TableDefinition& table, const RealIndex& index);

}  // namespace engine
