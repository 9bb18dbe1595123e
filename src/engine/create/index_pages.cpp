#include "engine/create/index_pages.h"

#include "engine/create/refusal.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_index.h"

namespace engine::create {

namespace dp = layout::data_page;
namespace h = layout::header;
namespace ix = layout::index;

namespace {

constexpr std::size_t kEntryArea = h::kPageSizeJet4 - ix::kEntriesJet4;

// A page of one level: its number, entries, and the last leaf entry below it.
struct LevelPage {
  std::uint32_t number = 0;
  std::vector<const Bytes*> entries;
  std::size_t used = 0;
  Bytes lastLeafEntry;
  std::uint32_t tail = 0;
};

void writePage(PageFile& file, const LevelPage& level, std::uint8_t type, std::uint32_t owner,
               std::uint32_t previous, std::uint32_t next) {
  auto page = file.page(level.number);
  page[0] = type;
  page[1] = 0x01;
  putU16(page, dp::kFreeSpace, static_cast<std::uint16_t>(kEntryArea - level.used));
  putU32(page, dp::kOwner, owner);
  putU32(page, ix::kPrevPageJet4, previous);
  putU32(page, ix::kNextPageJet4, next);
  putU32(page, ix::kTailPageJet4, level.tail);
  putU16(page, ix::kPrefixLengthJet4, 0);  // entries stored whole
  std::size_t at = 0;
  for (const auto* entry : level.entries) {
    std::copy(entry->begin(), entry->end(),
              page.begin() + static_cast<std::ptrdiff_t>(ix::kEntriesJet4 + at));
    at += entry->size();
    // The bitmask marks where each entry ends (the next one starts).
    page[ix::kEntryMaskJet4 + at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
  }
}

void writeLevel(PageFile& file, const std::vector<LevelPage>& level, std::uint8_t type,
                std::uint32_t owner) {
  for (std::size_t i = 0; i < level.size(); ++i)
    writePage(file, level[i], type, owner, i == 0 ? 0 : level[i - 1].number,
              i + 1 == level.size() ? 0 : level[i + 1].number);
}

}  // namespace

Bytes leafEntry(const Bytes& key, std::uint32_t page, std::uint8_t row) {
  Bytes entry = key;
  entry.push_back(static_cast<std::uint8_t>(page >> 16));
  entry.push_back(static_cast<std::uint8_t>(page >> 8));
  entry.push_back(static_cast<std::uint8_t>(page));
  entry.push_back(row);
  return entry;
}

WrittenIndex writeIndexPages(PageFile& file, std::uint32_t owner,
                             const std::vector<Bytes>& entries) {
  WrittenIndex written;
  auto newPage = [&] {
    LevelPage page;
    page.number = file.allocate();
    written.pages.push_back(page.number);
    return page;
  };

  std::vector<LevelPage> level{newPage()};
  for (const auto& entry : entries) {
    if (entry.size() > kEntryArea / 4) throw Refusal("an index key is too long");
    if (level.back().used + entry.size() > kEntryArea) level.push_back(newPage());
    level.back().entries.push_back(&entry);
    level.back().used += entry.size();
    level.back().lastLeafEntry = entry;
  }
  writeLevel(file, level, dp::kTypeIndexLeaf, owner);

  // Node levels: one entry per child (its last leaf entry and its page
  // number), except the last child of each node page, which is its tail.
  while (level.size() > 1) {
    std::vector<Bytes> entriesOfLevel;
    entriesOfLevel.reserve(level.size());
    for (const auto& child : level) {
      Bytes entry = child.lastLeafEntry;
      for (int shift = 24; shift >= 0; shift -= 8)
        entry.push_back(static_cast<std::uint8_t>(child.number >> shift));
      entriesOfLevel.push_back(std::move(entry));
    }
    std::vector<LevelPage> parents{newPage()};
    for (std::size_t i = 0; i < level.size(); ++i) {
      // Once a page has its tail it is complete; the next child opens a new page.
      if (parents.back().tail != 0) parents.push_back(newPage());
      auto& current = parents.back();
      const auto& entry = entriesOfLevel[i];
      const bool lastChild = i + 1 == level.size();
      if (!lastChild && current.used + entry.size() <= kEntryArea) {
        current.entries.push_back(&entry);
        current.used += entry.size();
      } else {
        current.tail = level[i].number;
      }
      current.lastLeafEntry = level[i].lastLeafEntry;
    }
    writeLevel(file, parents, dp::kTypeIndexNode, owner);
    for (auto& parent : parents) parent.entries.clear();  // they point into entriesOfLevel
    level = std::move(parents);
  }
  written.rootPage = level.front().number;
  return written;
}

}  // namespace engine::create
