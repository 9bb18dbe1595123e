#include "engine/write/page_allocation.h"

#include <algorithm>

#include "engine/format/bounded_bytes.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_usage_map.h"
#include "engine/read/data_page.h"
#include "engine/read/usage_map.h"
#include "engine/write/data_page_edit.h"

namespace engine {

namespace dp = layout::data_page;
namespace um = layout::usage_map;

namespace {

// Pages of the free-space map looked at for room before a new page is added.
constexpr std::size_t kCandidatePages = 32;

struct BitLocation {
  std::uint32_t page = 0;  // the page holding the bit
  std::size_t byte = 0;    // offset in that page
  std::uint8_t mask = 0;
};

std::optional<BitLocation> locateBit(PageChanges& changes, std::uint32_t pointer,
                                     std::uint32_t page) {
  const RowPointer where = RowPointer::fromRaw(pointer);
  if (where.page >= changes.pageCount()) return std::nullopt;
  auto bytes = changes.read(where.page);
  if (bytes[0] != dp::kTypeData) return std::nullopt;
  auto row = page_edit::slot(bytes, changes.format(), where.row);
  if (!row || row->length() < um::kInlineBitmap) return std::nullopt;
  const std::uint8_t kind = bytes[row->start];
  if (kind == um::kInline) {
    const std::uint32_t start = readU32(bytes, row->start + um::kInlineStart);
    const std::size_t bits = (row->length() - um::kInlineBitmap) * 8;
    if (page < start || page - start >= bits) return std::nullopt;
    const std::uint32_t bit = page - start;
    return BitLocation{where.page, row->start + um::kInlineBitmap + bit / 8,
                       static_cast<std::uint8_t>(1u << (bit % 8))};
  }
  if (kind != um::kReference) return std::nullopt;
  const std::uint64_t perPage = um::pagesPerBitmapPage(changes.pageSize());
  const std::uint64_t entry = page / perPage;
  const std::size_t entries = (row->length() - um::kReferenceEntries) / um::kReferenceEntrySize;
  if (entry >= entries) return std::nullopt;
  const std::uint32_t mapPage =
      readU32(bytes, row->start + um::kReferenceEntries + um::kReferenceEntrySize * entry);
  if (mapPage == 0 || mapPage >= um::kInvalidPageThreshold || mapPage >= changes.pageCount())
    return std::nullopt;
  if (changes.read(mapPage)[0] != dp::kTypeUsageMap) return std::nullopt;
  const std::uint64_t bit = page - entry * perPage;
  return BitLocation{mapPage, static_cast<std::size_t>(um::kBitmapPageHeader + bit / 8),
                     static_cast<std::uint8_t>(1u << (bit % 8))};
}

// Appends an empty data page for `pages` and records it in their maps.
std::optional<std::uint32_t> allocateDataPage(PageChanges& changes, const DataPageSet& pages) {
  auto page = appendOwnedPage(changes, pages.ownedMap);
  if (!page) return std::nullopt;
  page_edit::initialiseDataPage(changes.edit(*page), changes.format(), pages.owner);
  if (pages.freeMap != 0) setUsageBit(changes, pages.freeMap, *page, true);
  return page;
}

}  // namespace

bool usageBit(PageChanges& changes, std::uint32_t pointer, std::uint32_t page) {
  auto at = locateBit(changes, pointer, page);
  return at && (changes.read(at->page)[at->byte] & at->mask) != 0;
}

bool setUsageBit(PageChanges& changes, std::uint32_t pointer, std::uint32_t page, bool value) {
  auto at = locateBit(changes, pointer, page);
  if (!at) return false;
  const bool current = (changes.read(at->page)[at->byte] & at->mask) != 0;
  if (current == value) return true;
  auto bytes = changes.edit(at->page);
  if (value)
    bytes[at->byte] |= at->mask;
  else
    bytes[at->byte] &= static_cast<std::uint8_t>(~at->mask);
  return true;
}

std::optional<std::uint32_t> appendOwnedPage(PageChanges& changes, std::uint32_t ownedMap) {
  const std::uint32_t page = changes.pageCount();
  // Check before appending: a page no map knows would be lost space at best.
  if (!locateBit(changes, ownedMap, page)) return std::nullopt;
  changes.append();
  setUsageBit(changes, ownedMap, page, true);
  // Pages beyond the global map's window count as used already.
  setUsageBit(changes, kGlobalUsageMap, page, false);
  return page;
}

std::optional<std::uint32_t> pageWithRoom(PageChanges& changes, Pager& pager,
                                          const DataPageSet& pages, std::size_t length,
                                          std::optional<std::uint32_t> avoid) {
  auto fits = [&](std::uint32_t page) {
    if (page == avoid || page >= changes.pageCount()) return false;
    auto bytes = changes.read(page);
    return bytes[0] == dp::kTypeData && readU32(bytes, dp::kOwner) == pages.owner &&
           page_edit::hasRoomFor(bytes, changes.format(), length);
  };
  for (std::uint32_t page = changes.pageCount(); page-- > 0 && changes.appended(page);)
    if (fits(page)) return page;
  if (pages.freeMap != 0) {
    // The map as stored: pages this update added are not in it yet.
    for (std::uint32_t page :
         readLastPagesOfUsageMap(pager, changes.format(), pages.freeMap, kCandidatePages))
      if (usageBit(changes, pages.ownedMap, page) && fits(page)) return page;
  }
  return allocateDataPage(changes, pages);
}

void noteRoom(PageChanges& changes, const DataPageSet& pages, std::uint32_t page) {
  if (pages.freeMap == 0) return;
  const bool room = page_edit::offersRoom(changes.read(page), changes.format());
  // A page the free-space map cannot record is simply not offered again.
  if (!room || usageBit(changes, pages.ownedMap, page))
    setUsageBit(changes, pages.freeMap, page, room);
}

void releasePage(PageChanges& changes, std::uint32_t ownedMap, std::uint32_t page) {
  setUsageBit(changes, ownedMap, page, false);
  setUsageBit(changes, kGlobalUsageMap, page, true);
  auto bytes = changes.edit(page);
  std::fill(bytes.begin(), bytes.begin() + 4, 0);
}

}  // namespace engine
