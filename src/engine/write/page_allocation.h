#pragma once

#include "engine/base/internal.h"

// Usage-map bits, the search for a page with room, and new pages for an
// update (docs/file-format.md, Usage maps), through the one usage-map model: a map that
// cannot record a new page grows (shifted, promoted to a reference map, or
// given a new bitmap page), every page it touches an edited copy that goes
// through the journal with the rest of the update. The global map is never
// grown: pages outside its window count as used.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/layout_usage_map.h"
#include "engine/pager/pager.h"
#include "engine/write/page_changes.h"

namespace engine {

// The global map: page 1, row 0; a set bit means "free".
inline constexpr std::uint32_t kGlobalUsageMap = rowPointer(layout::usage_map::kGlobalMapPage, 0);

// Sets or clears the bit of `page` in the map `pointer` leads to, growing
// the map when it cannot record the page (never the global map). False
// when it cannot record it even so. Throws Error::damaged on a malformed map.
[[nodiscard]] bool setUsageBit(PageChanges& changes, std::uint32_t pointer, std::uint32_t page,
                               bool value);
// The same for the maps where a page they cannot record needs nothing more:
// the global map counts pages beyond its window as used, and a free-space
// map is a hint (a page it misses is found through the owned map).
void setUsageHint(PageChanges& changes, std::uint32_t pointer, std::uint32_t page, bool value);
// Whether the map has the bit of `page` set (false outside its range).
[[nodiscard]] bool usageBit(PageChanges& changes, std::uint32_t pointer, std::uint32_t page);
// Every page the map records, lowest first, as this update leaves it.
std::vector<std::uint32_t> usagePages(PageChanges& changes, std::uint32_t pointer);

// A new page at the end of the file, used in the global map: a page the
// file would need to pass its largest size is refused (Error::databaseFull).
std::uint32_t appendPage(PageChanges& changes);

// Appends a zero-filled page recorded in `ownedMap` and as used in the
// global map. Nothing (no page added) when the owned map cannot record it
// even grown.
[[nodiscard]] std::optional<std::uint32_t> appendOwnedPage(PageChanges& changes,
                                                           std::uint32_t ownedMap);

// Frees `page` (docs/file-format.md, Usage maps): out of `ownedMap`, free in the global map, its
// first bytes zeroed.
void releasePage(PageChanges& changes, std::uint32_t ownedMap, std::uint32_t page);

// The data pages that hold one kind of row: a table's rows (`owner` is its
// TDEF page) or one memo column's long values (`owner` is the LVAL tag).
struct DataPageSet {
  std::uint32_t owner = 0;
  std::uint32_t ownedMap = 0;  // pointers to the two usage maps
  std::uint32_t freeMap = 0;
  // Long-value rows are named only by the value that holds them, so the
  // slots of removed ones are given out again; a table row's number never is.
  bool reusesSlots = false;
  // Every page of the free-space map is tried before a new page is added,
  // not only the last ones.
  bool searchesAllPages = false;
};

// A page of `pages` other than `avoid` with room for a row of `length`
// bytes: one this update added, else one of the free-space map, else a new
// page (recorded in both maps, growing them, and as used in the global
// map). Nothing when a new page is needed and the owned map cannot record
// it.
[[nodiscard]] std::optional<std::uint32_t> pageWithRoom(
    PageChanges& changes, const DataPageSet& pages, std::size_t length,
    std::optional<std::uint32_t> avoid = std::nullopt);

// After rows of `page` were added, grown or removed: its bit in the
// free-space map of `pages` says whether it still offers room.
void noteRoom(PageChanges& changes, const DataPageSet& pages, std::uint32_t page);

}  // namespace engine
