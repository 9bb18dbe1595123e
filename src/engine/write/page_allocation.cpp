#include "engine/write/page_allocation.h"

#include <algorithm>

#include "engine/error.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/usage_map.h"
#include "engine/read/data_page.h"
#include "engine/write/data_page_edit.h"

namespace engine {

namespace dp = layout::data_page;

namespace {

// Pages of the free-space map looked at for room before a new page is added.
constexpr std::size_t kCandidatePages = 32;

// A map as this update leaves it: reads see the edits, edits are copies
// that reach the file with the update, and bitmap pages it adds are used in
// the global map.
class ChangedMap final : public UsageMapStore {
 public:
  ChangedMap(PageChanges& changes, std::uint32_t pointer)
      : changes_(changes), where_(RowPointer::fromRaw(pointer)) {}

  std::uint32_t pageSize() const override { return changes_.pageSize(); }
  std::uint32_t pageCount() const override { return changes_.pageCount(); }
  std::span<const std::uint8_t> row() override {
    auto bytes = changes_.read(where_.page);
    const auto slot = rowSlot(bytes);
    return bytes.subspan(slot.start, slot.length());
  }
  std::span<std::uint8_t> editRow() override {
    const auto slot = rowSlot(changes_.read(where_.page));
    return changes_.edit(where_.page).subspan(slot.start, slot.length());
  }
  std::span<const std::uint8_t> read(std::uint32_t page) override { return changes_.read(page); }
  std::span<std::uint8_t> edit(std::uint32_t page) override { return changes_.edit(page); }
  std::uint32_t append() override { return appendPage(changes_); }
  std::uint32_t rowPage() const override { return where_.page; }
  [[noreturn]] void damaged(std::uint32_t page, const std::string& what) const override {
    throw Error::damaged(changes_.path(), page, what);
  }

 private:
  page_edit::SlotInfo rowSlot(std::span<const std::uint8_t> bytes) const {
    if (bytes[0] != dp::kTypeData)
      damaged(where_.page, "a usage map points to a page of type " + std::to_string(bytes[0]));
    const auto slot = page_edit::slot(bytes, changes_.format(), where_.row);
    if (!slot) damaged(where_.page, "a usage map points to a missing row");
    return *slot;
  }

  PageChanges& changes_;
  RowPointer where_;
};

bool fits(PageChanges& changes, const DataPageSet& pages, std::uint32_t page, std::size_t length,
          std::optional<std::uint32_t> avoid) {
  if (page == avoid || page >= changes.pageCount()) return false;
  auto bytes = changes.read(page);
  return bytes[0] == dp::kTypeData && readU32(bytes, dp::kOwner) == pages.owner &&
         page_edit::hasRoomFor(bytes, changes.format(), length, pages.reusesSlots);
}

// Appends an empty data page for `pages` and records it in their maps.
std::optional<std::uint32_t> allocateDataPage(PageChanges& changes, const DataPageSet& pages) {
  auto page = appendOwnedPage(changes, pages.ownedMap);
  if (!page) return std::nullopt;
  page_edit::initialiseDataPage(changes.edit(*page), changes.format(), pages.owner);
  if (pages.freeMap != 0) setUsageHint(changes, pages.freeMap, *page, true);
  return page;
}

}  // namespace

bool usageBit(PageChanges& changes, std::uint32_t pointer, std::uint32_t page) {
  ChangedMap store(changes, pointer);
  return UsageMap(store).contains(page);
}

bool setUsageBit(PageChanges& changes, std::uint32_t pointer, std::uint32_t page, bool value) {
  ChangedMap store(changes, pointer);
  return UsageMap(store).set(page, value, pointer != kGlobalUsageMap);
}

void setUsageHint(PageChanges& changes, std::uint32_t pointer, std::uint32_t page, bool value) {
  // Whether the map could record the page changes nothing for these maps.
  static_cast<void>(setUsageBit(changes, pointer, page, value));
}

std::vector<std::uint32_t> usagePages(PageChanges& changes, std::uint32_t pointer) {
  ChangedMap store(changes, pointer);
  return UsageMap(store).pages();
}

std::uint32_t appendPage(PageChanges& changes) {
  const std::uint64_t end = (std::uint64_t{changes.pageCount()} + 1) * changes.pageSize();
  if (end > layout::header::kLargestFile)
    throw Error::databaseFull(changes.path(), layout::header::kLargestFile);
  const std::uint32_t page = changes.append();
  // Pages beyond the global map's window count as used already.
  setUsageHint(changes, kGlobalUsageMap, page, false);
  return page;
}

std::optional<std::uint32_t> appendOwnedPage(PageChanges& changes, std::uint32_t ownedMap) {
  const std::uint32_t page = appendPage(changes);
  if (!setUsageBit(changes, ownedMap, page, true)) {
    // No map can know it: the whole update is dropped by the caller's refusal.
    return std::nullopt;
  }
  return page;
}

std::optional<std::uint32_t> pageWithRoom(PageChanges& changes, const DataPageSet& pages,
                                          std::size_t length, std::optional<std::uint32_t> avoid) {
  for (std::uint32_t page = changes.pageCount(); page-- > 0 && changes.appended(page);)
    if (fits(changes, pages, page, length, avoid)) return page;
  if (pages.freeMap != 0) {
    ChangedMap freeStore(changes, pages.freeMap);
    std::optional<std::uint32_t> found;
    std::size_t tried = 0;
    UsageMap(freeStore).visitFromLast([&](std::uint32_t page) {
      if (usageBit(changes, pages.ownedMap, page) && fits(changes, pages, page, length, avoid))
        found = page;
      return !found && (pages.searchesAllPages || ++tried < kCandidatePages);
    });
    if (found) return found;
  }
  return allocateDataPage(changes, pages);
}

void noteRoom(PageChanges& changes, const DataPageSet& pages, std::uint32_t page) {
  if (pages.freeMap == 0) return;
  const bool room = page_edit::offersRoom(changes.read(page), changes.format(), pages.reusesSlots);
  if (!room || usageBit(changes, pages.ownedMap, page))
    setUsageHint(changes, pages.freeMap, page, room);
}

void releasePage(PageChanges& changes, std::uint32_t ownedMap, std::uint32_t page) {
  // A page outside either map's range is in neither: nothing to clear or
  // to offer, only its space is not reused.
  setUsageHint(changes, ownedMap, page, false);
  setUsageHint(changes, kGlobalUsageMap, page, true);
  auto bytes = changes.edit(page);
  std::fill(bytes.begin(), bytes.begin() + 4, 0);
}

}  // namespace engine
