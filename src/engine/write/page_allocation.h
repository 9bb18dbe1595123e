#pragma once

// Usage-map bits and new pages for an update (guide §2.3, §2.4). A page is
// only added where every map that must know it can record it; otherwise
// the caller refuses the change.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/layout_usage_map.h"
#include "engine/write/page_changes.h"

namespace engine {

// The global map: page 1, row 0; a set bit means "free".
inline constexpr std::uint32_t kGlobalUsageMap = rowPointer(layout::usage_map::kGlobalMapPage, 0);

// Sets or clears the bit of `page` in the map `pointer` leads to. False
// when the map cannot represent that page (outside an inline map's window,
// or no bitmap page for it in a reference map).
bool setUsageBit(PageChanges& changes, std::uint32_t pointer, std::uint32_t page, bool value);
// Whether the map has the bit of `page` set (false outside its range).
bool usageBit(PageChanges& changes, std::uint32_t pointer, std::uint32_t page);

// Appends a zero-filled page recorded in `ownedMap` and as used in the
// global map. Nothing (no page added) when the owned map cannot record it.
std::optional<std::uint32_t> appendOwnedPage(PageChanges& changes, std::uint32_t ownedMap);

// Frees `page` (guide §2.4): out of `ownedMap`, free in the global map, its
// first bytes zeroed.
void releasePage(PageChanges& changes, std::uint32_t ownedMap, std::uint32_t page);

// Appends an empty data page owned by `owner` (TDEF page or the LVAL tag)
// and records it in `ownedMap` and `freeMap` and as used in the global map.
// Nothing (no page added) when the owned map cannot record it.
std::optional<std::uint32_t> allocateDataPage(PageChanges& changes, std::uint32_t owner,
                                              std::uint32_t ownedMap, std::uint32_t freeMap);

}  // namespace engine
