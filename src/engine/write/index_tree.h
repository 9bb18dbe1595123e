#pragma once

#include "engine/base/internal.h"

// One index tree edited in place (docs/file-format.md, Index pages): entries are removed and
// inserted in key order on their leaf pages. A page that overflows is split: a new page takes its
// first half and joins the level's links before it, and the parent gains an entry for it; the root
// keeps its page number (its entries move to a new page below it, and the tree gains a level). A
// page left empty leaves the tree and is freed. Node entries stay equal to the last leaf entry
// below each child; a node's last child is its tail page. New and freed pages are recorded in the
// index's usage map and in the global map. Pages are read and edited through the PageChanges, so
// nothing reaches the file until the whole update is written.

#include <cstdint>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/index_page.h"
#include "engine/write/page_changes.h"

namespace engine {

class IndexTree {
 public:
  IndexTree(PageChanges& changes, std::uint32_t owner, std::uint32_t rootPage,
            std::uint32_t usageMap);

  // Whether an entry other than `except` has exactly the key `key`.
  [[nodiscard]] bool holdsKey(const Bytes& key, const Bytes& except);
  // Inserts a leaf entry. False when a new page is needed that the index's
  // usage map cannot record (the changes are then unusable: drop them).
  [[nodiscard]] bool insert(const Bytes& entry);
  // Removes a leaf entry; false when the index does not hold it.
  [[nodiscard]] bool remove(const Bytes& entry);

 private:
  // A child of a node: the last leaf entry below it (empty for the tail,
  // whose last entry the node does not record) and its page.
  struct Child {
    Bytes last;
    std::uint32_t page = 0;
  };
  // One page on the way from the root to a leaf.
  struct Level {
    std::uint32_t number = 0;
    IndexPage page;
    std::vector<Child> children;  // nodes
    std::size_t chosen = 0;       // nodes: the child the path goes down
  };
  using Path = std::vector<Level>;

  Level load(std::uint32_t number);
  // The path to the leaf where `target` (an entry or a key) belongs.
  Path descend(const Bytes& target);
  Bytes lastLeafEntry(std::uint32_t number);
  Bytes lastEntryOf(const Level& level);
  IndexPage pageOf(const Level& level);
  void write(const Level& level);
  void store(Path& path, std::size_t at);
  void settle(Path& path, std::size_t at);
  void split(Path& path, std::size_t at);
  void unlink(const Level& level);
  void removePage(Path& path, std::size_t at);
  void setLink(std::uint32_t number, bool next, std::uint32_t value);
  std::uint32_t newPage();

  PageChanges& changes_;
  Format format_;
  std::uint32_t owner_;
  std::uint32_t root_;
  std::uint32_t usageMap_;
};

}  // namespace engine
