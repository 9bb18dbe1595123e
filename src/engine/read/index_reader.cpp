#include "engine/read/index_reader.h"

#include <unordered_set>

#include "engine/error.h"
#include "engine/format/index_page.h"

namespace engine {

namespace {

class IndexWalker {
 public:
  IndexWalker(Pager& pager, const Format& format, const TableDefinition& table)
      : pager_(pager), format_(format), table_(table) {}

  void walk(std::uint32_t page, std::vector<IndexEntry>& out, int depth) {
    if (depth > kMaxDepth)
      throw Error::damaged(pager_.path(), page, "the index tree is deeper than possible");
    if (!visited_.insert(page).second)
      throw Error::damaged(pager_.path(), page, "the index pages form a loop");
    PageRef ref = pager_.page(page);
    BoundedBytes bytes = pager_.view(ref, page);
    std::string why;
    std::optional<IndexPage> decoded = decodeIndexPage(bytes.all(), format_, why);
    if (!decoded) bytes.fail(why);
    if (decoded->owner != table_.page) bytes.fail("an index page belongs to another table");
    if (decoded->leaf) {
      for (auto& entry : decoded->entries) {
        if (entry.size() < kLeafPointerSize)
          bytes.fail("an index entry is shorter than its row pointer");
        const std::size_t keyLength = entry.size() - kLeafPointerSize;
        IndexEntry result;
        result.key.assign(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(keyLength));
        result.row = {(std::uint32_t{entry[keyLength]} << 16) |
                          (std::uint32_t{entry[keyLength + 1]} << 8) | entry[keyLength + 2],
                      entry[keyLength + 3]};
        result.leafPage = page;
        out.push_back(std::move(result));
      }
      return;
    }
    std::unordered_set<std::uint32_t> children;
    for (auto& entry : decoded->entries) {
      if (entry.size() < kLeafPointerSize + kChildPointerSize)
        bytes.fail("an index node entry is shorter than its pointers");
      const std::uint32_t child = childOf(entry);
      children.insert(child);
      walk(child, out, depth + 1);
    }
    // A last child that no entry names.
    if (decoded->tail != 0 && !children.contains(decoded->tail))
      walk(decoded->tail, out, depth + 1);
  }

 private:
  static constexpr int kMaxDepth = 32;

  Pager& pager_;
  const Format& format_;
  const TableDefinition& table_;
  std::unordered_set<std::uint32_t> visited_;
};

}  // namespace

std::vector<IndexEntry> readIndexEntries(Pager& pager, const Format& format,
                                         const TableDefinition& table, const RealIndex& index) {
  std::vector<IndexEntry> entries;
  if (index.rootPage == 0) return entries;
  IndexWalker walker(pager, format, table);
  walker.walk(index.rootPage, entries, 0);
  return entries;
}

}  // namespace engine
