#include "engine/write/index_tree.h"

#include <algorithm>
#include <set>
#include <string>

#include "engine/error.h"
#include "engine/write/page_allocation.h"

namespace engine {

namespace {

constexpr std::size_t kMaxDepth = 32;

// Thrown inside the tree when a new page cannot be recorded; insert() turns it into false.
struct NoPageForIndex {};

bool startsWith(const Bytes& entry, const Bytes& prefix) {
  return entry.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), entry.begin());
}

}  // namespace

IndexTree::IndexTree(PageChanges& changes, std::uint32_t owner, std::uint32_t rootPage,
                     std::uint32_t usageMap)
    : changes_(changes),
      format_(changes.format()),
      owner_(owner),
      root_(rootPage),
      usageMap_(usageMap) {}

IndexTree::Level IndexTree::load(std::uint32_t number) {
  if (number == 0 || number >= changes_.pageCount())
    throw Error::damaged(changes_.path(), number, "an index points to a page past the end");
  std::string why;
  auto page = decodeIndexPage(changes_.read(number), format_, why);
  if (!page) throw Error::damaged(changes_.path(), number, why);
  if (page->owner != owner_)
    throw Error::damaged(changes_.path(), number, "an index page belongs to another table");
  Level level;
  level.number = number;
  level.page = std::move(*page);
  if (level.page.leaf) return level;
  std::set<std::uint32_t> named;
  for (const Bytes& entry : level.page.entries) {
    if (entry.size() < kLeafPointerSize + kChildPointerSize)
      throw Error::damaged(changes_.path(), number,
                           "an index node entry is shorter than its pointers");
    const std::uint32_t child = childOf(entry);
    named.insert(child);
    level.children.push_back(
        {Bytes(entry.begin(), entry.end() - static_cast<std::ptrdiff_t>(kChildPointerSize)),
         child});
  }
  if (level.page.tail != 0 && !named.contains(level.page.tail))
    level.children.push_back({{}, level.page.tail});
  if (level.children.empty())
    throw Error::damaged(changes_.path(), number, "an index node has no children");
  return level;
}

IndexTree::Path IndexTree::descend(const Bytes& target) {
  Path path;
  std::set<std::uint32_t> seen;
  std::uint32_t number = root_;
  for (;;) {
    if (path.size() > kMaxDepth || !seen.insert(number).second)
      throw Error::damaged(changes_.path(), number, "the index pages form a loop");
    Level level = load(number);
    if (level.page.leaf) {
      path.push_back(std::move(level));
      return path;
    }
    // The first child whose last entry is not below the target; else the last child.
    level.chosen = level.children.size() - 1;
    for (std::size_t i = 0; i < level.children.size(); ++i) {
      const Bytes& last = level.children[i].last;
      if (!last.empty() && !(last < target)) {
        level.chosen = i;
        break;
      }
    }
    number = level.children[level.chosen].page;
    path.push_back(std::move(level));
  }
}

Bytes IndexTree::lastLeafEntry(std::uint32_t number) {
  for (std::size_t depth = 0; depth <= kMaxDepth; ++depth) {
    Level level = load(number);
    if (level.page.leaf) return level.page.entries.empty() ? Bytes{} : level.page.entries.back();
    number = level.children.back().page;
  }
  throw Error::damaged(changes_.path(), number, "the index tree is deeper than possible");
}

Bytes IndexTree::lastEntryOf(const Level& level) {
  if (level.page.leaf) return level.page.entries.empty() ? Bytes{} : level.page.entries.back();
  const Child& last = level.children.back();
  return last.last.empty() ? lastLeafEntry(last.page) : last.last;
}

IndexPage IndexTree::pageOf(const Level& level) {
  IndexPage page = level.page;
  if (page.leaf) return page;
  // Every child but the last gets an entry; the last is the tail. A lone
  // child is named by an entry.
  page.entries.clear();
  page.tail = 0;
  const std::size_t named = level.children.size() == 1 ? 1 : level.children.size() - 1;
  for (std::size_t i = 0; i < named; ++i) {
    const Child& child = level.children[i];
    page.entries.push_back(
        nodeEntry(child.last.empty() ? lastLeafEntry(child.page) : child.last, child.page));
  }
  if (level.children.size() > 1) page.tail = level.children.back().page;
  return page;
}

void IndexTree::write(const Level& level) {
  const IndexPage page = pageOf(level);
  if (!fitsOnPage(page.entries, format_))
    throw Error::damaged(changes_.path(), level.number, "index entries too long to share a page");
  encodeIndexPage(changes_.edit(level.number), page, format_);
}

void IndexTree::store(Path& path, std::size_t at) {
  if (!fitsOnPage(pageOf(path[at]).entries, format_)) {
    split(path, at);
    return;
  }
  write(path[at]);
  settle(path, at);
}

// After the page at `at` changed, its parent's entry for it must still be
// its last leaf entry; a tail has no entry, but the parent's own last entry
// may have moved with it.
void IndexTree::settle(Path& path, std::size_t at) {
  if (at == 0) return;
  Level& parent = path[at - 1];
  Child& child = parent.children[parent.chosen];
  if (child.last.empty()) {
    settle(path, at - 1);
    return;
  }
  Bytes last = lastEntryOf(path[at]);
  if (last == child.last) return;
  child.last = std::move(last);
  store(path, at - 1);
}

std::uint32_t IndexTree::newPage() {
  auto page = appendOwnedPage(changes_, usageMap_);
  if (!page) throw NoPageForIndex{};
  return *page;
}

void IndexTree::split(Path& path, std::size_t at) {
  if (at == 0) {
    // The root keeps its page: its content moves to a new page below it.
    Level moved = path[0];
    moved.number = newPage();
    moved.page.previous = moved.page.next = 0;
    Level& root = path[0];
    root.page.leaf = false;
    root.page.entries.clear();
    root.children = {Child{{}, moved.number}};
    root.chosen = 0;
    path.insert(path.begin() + 1, std::move(moved));
    at = 1;
  }
  Level& full = path[at];
  Level head;
  head.number = newPage();
  head.page.leaf = full.page.leaf;
  head.page.owner = owner_;
  if (full.page.leaf) {
    const std::size_t half = (full.page.entries.size() + 1) / 2;
    head.page.entries.assign(full.page.entries.begin(),
                             full.page.entries.begin() + static_cast<std::ptrdiff_t>(half));
    full.page.entries.erase(full.page.entries.begin(),
                            full.page.entries.begin() + static_cast<std::ptrdiff_t>(half));
  } else {
    const std::size_t half = full.children.size() / 2;
    head.children.assign(full.children.begin(),
                         full.children.begin() + static_cast<std::ptrdiff_t>(half));
    full.children.erase(full.children.begin(),
                        full.children.begin() + static_cast<std::ptrdiff_t>(half));
    full.chosen = full.chosen >= half ? full.chosen - half : 0;
  }
  if (full.page.leaf ? head.page.entries.empty() || full.page.entries.empty()
                     : head.children.empty() || full.children.empty())
    throw Error::damaged(changes_.path(), full.number, "an index page too full to split");
  // The new page comes before the full one in the level's links.
  head.page.previous = full.page.previous;
  head.page.next = full.number;
  if (full.page.previous != 0) setLink(full.page.previous, true, head.number);
  full.page.previous = head.number;
  write(head);
  write(full);

  Level& parent = path[at - 1];
  parent.children.insert(parent.children.begin() + static_cast<std::ptrdiff_t>(parent.chosen),
                         Child{lastEntryOf(head), head.number});
  ++parent.chosen;
  Child& fullChild = parent.children[parent.chosen];
  if (!fullChild.last.empty()) fullChild.last = lastEntryOf(full);
  store(path, at - 1);  // last: it may split the parent and reshape `path`
}

void IndexTree::setLink(std::uint32_t number, bool next, std::uint32_t value) {
  Level level = load(number);
  (next ? level.page.next : level.page.previous) = value;
  encodeIndexPage(changes_.edit(number), level.page, format_);
}

void IndexTree::unlink(const Level& level) {
  if (level.page.previous != 0) setLink(level.page.previous, true, level.page.next);
  if (level.page.next != 0) setLink(level.page.next, false, level.page.previous);
}

void IndexTree::removePage(Path& path, std::size_t at) {
  unlink(path[at]);
  releasePage(changes_, usageMap_, path[at].number);
  Level& parent = path[at - 1];
  parent.children.erase(parent.children.begin() + static_cast<std::ptrdiff_t>(parent.chosen));
  if (parent.children.empty()) {
    if (at - 1 > 0) {
      removePage(path, at - 1);
      return;
    }
    // The root of an index left without entries is an empty leaf.
    parent.page.leaf = true;
    parent.page.entries.clear();
    parent.page.tail = 0;
    write(parent);
    return;
  }
  parent.chosen = std::min(parent.chosen, parent.children.size() - 1);
  store(path, at - 1);
}

bool IndexTree::holdsKey(const Bytes& key, const Bytes& except) {
  Path path = descend(key);
  Level leaf = std::move(path.back());
  auto it = std::lower_bound(leaf.page.entries.begin(), leaf.page.entries.end(), key);
  for (std::uint32_t hops = 0; hops <= changes_.pageCount(); ++hops) {
    for (; it != leaf.page.entries.end(); ++it) {
      if (!startsWith(*it, key)) return false;
      if (it->size() == key.size() + kLeafPointerSize && *it != except) return true;
    }
    if (leaf.page.next == 0) return false;
    leaf = load(leaf.page.next);
    it = leaf.page.entries.begin();
  }
  throw Error::damaged(changes_.path(), leaf.number, "the index pages form a loop");
}

bool IndexTree::insert(const Bytes& entry) {
  Path path = descend(entry);
  auto& entries = path.back().page.entries;
  auto it = std::lower_bound(entries.begin(), entries.end(), entry);
  if (it != entries.end() && *it == entry) return true;
  entries.insert(it, entry);
  try {
    store(path, path.size() - 1);
  } catch (const NoPageForIndex&) {
    return false;
  }
  return true;
}

bool IndexTree::remove(const Bytes& entry) {
  Path path = descend(entry);
  auto& entries = path.back().page.entries;
  auto it = std::lower_bound(entries.begin(), entries.end(), entry);
  if (it == entries.end() || *it != entry) return false;
  entries.erase(it);
  if (entries.empty() && path.size() > 1)
    removePage(path, path.size() - 1);
  else
    store(path, path.size() - 1);
  return true;
}

}  // namespace engine
