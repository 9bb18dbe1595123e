#include "engine/create/index_pages.h"

#include "engine/create/refusal.h"
#include "engine/format/index_page.h"

namespace engine::create {

namespace {

// Every page the creator writes has the Jet 4 geometry (Jet 4 and ACE alike).
const Format kFormat{};

// A page of one level: its number, entries, and the last leaf entry below it.
struct LevelPage {
  std::uint32_t number = 0;
  std::vector<Bytes> entries;
  std::size_t used = 0;
  Bytes lastLeafEntry;
  std::uint32_t tail = 0;
};

void writeLevel(PageFile& file, const std::vector<LevelPage>& level, bool leaf,
                std::uint32_t owner) {
  for (std::size_t i = 0; i < level.size(); ++i) {
    IndexPage page;
    page.leaf = leaf;
    page.owner = owner;
    page.previous = i == 0 ? 0 : level[i - 1].number;
    page.next = i + 1 == level.size() ? 0 : level[i + 1].number;
    page.tail = level[i].tail;
    page.entries = level[i].entries;
    encodeIndexPage(file.page(level[i].number), page, kFormat);
  }
}

}  // namespace

WrittenIndex writeIndexPages(PageFile& file, std::uint32_t owner,
                             const std::vector<Bytes>& entries) {
  const std::size_t kEntryArea = entryArea(kFormat);
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
    level.back().entries.push_back(entry);
    level.back().used += entry.size();
    level.back().lastLeafEntry = entry;
  }
  writeLevel(file, level, true, owner);

  // Node levels: one entry per child (its last leaf entry and its page
  // number), except the last child of each node page, which is its tail.
  while (level.size() > 1) {
    std::vector<Bytes> entriesOfLevel;
    entriesOfLevel.reserve(level.size());
    for (const auto& child : level)
      entriesOfLevel.push_back(nodeEntry(child.lastLeafEntry, child.number));
    std::vector<LevelPage> parents{newPage()};
    for (std::size_t i = 0; i < level.size(); ++i) {
      // Once a page has its tail it is complete; the next child opens a new page.
      if (parents.back().tail != 0) parents.push_back(newPage());
      auto& current = parents.back();
      const auto& entry = entriesOfLevel[i];
      const bool lastChild = i + 1 == level.size();
      if (!lastChild && current.used + entry.size() <= kEntryArea) {
        current.entries.push_back(entry);
        current.used += entry.size();
      } else {
        current.tail = level[i].number;
      }
      current.lastLeafEntry = level[i].lastLeafEntry;
    }
    writeLevel(file, parents, false, owner);
    level = std::move(parents);
  }
  written.rootPage = level.front().number;
  return written;
}

}  // namespace engine::create
