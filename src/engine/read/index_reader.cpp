#include "engine/read/index_reader.h"

#include <unordered_set>

#include "engine/base/error.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_index.h"

namespace engine {

namespace ix = layout::index;
namespace dp = layout::data_page;

namespace {

struct PageEntry {
  std::vector<std::uint8_t> bytes;  // whole entry, prefix restored
};

std::uint32_t be24(std::span<const std::uint8_t> b, std::size_t at) {
  return (std::uint32_t{b[at]} << 16) | (b[at + 1] << 8) | b[at + 2];
}
std::uint32_t be32(std::span<const std::uint8_t> b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

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
    const std::uint8_t type = bytes.u8(0);
    if (type != dp::kTypeIndexNode && type != dp::kTypeIndexLeaf)
      bytes.fail("expected an index page, found page type " + std::to_string(type));
    if (bytes.u32(dp::kOwner) != table_.page) bytes.fail("an index page belongs to another table");
    std::vector<PageEntry> entries = readEntries(bytes);
    const bool jet3 = format_.isJet3();
    if (type == dp::kTypeIndexLeaf) {
      for (auto& entry : entries) {
        if (entry.bytes.size() < 4) bytes.fail("an index entry is shorter than its row pointer");
        std::size_t keyLength = entry.bytes.size() - 4;
        IndexEntry result;
        result.key.assign(entry.bytes.begin(), entry.bytes.begin() + keyLength);
        result.row = {be24(entry.bytes, keyLength), entry.bytes[keyLength + 3]};
        result.leafPage = page;
        out.push_back(std::move(result));
      }
      return;
    }
    std::unordered_set<std::uint32_t> children;
    for (auto& entry : entries) {
      if (entry.bytes.size() < 8) bytes.fail("an index node entry is shorter than its pointers");
      std::uint32_t child = be32(entry.bytes, entry.bytes.size() - 4);
      children.insert(child);
      walk(child, out, depth + 1);
    }
    // A last child that no entry names.
    std::uint32_t tail = bytes.u32(jet3 ? ix::kTailPageJet3 : ix::kTailPageJet4);
    if (tail != 0 && !children.contains(tail)) walk(tail, out, depth + 1);
  }

 private:
  static constexpr int kMaxDepth = 32;

  std::vector<PageEntry> readEntries(const BoundedBytes& bytes) const {
    const bool jet3 = format_.isJet3();
    const std::size_t maskStart = jet3 ? ix::kEntryMaskJet3 : ix::kEntryMaskJet4;
    const std::size_t entriesStart = jet3 ? ix::kEntriesJet3 : ix::kEntriesJet4;
    // One byte: the Jet 3 byte after it is not part of the count (seen 0x01).
    const std::size_t prefixLength = bytes.u8(jet3 ? ix::kPrefixLengthJet3 : ix::kPrefixLengthJet4);
    auto mask = bytes.slice(maskStart, entriesStart - maskStart);
    std::vector<PageEntry> entries;
    std::size_t start = entriesStart;
    std::vector<std::uint8_t> first;
    for (std::size_t bit = 0; bit < mask.size() * 8; ++bit) {
      if (!(mask[bit / 8] & (1u << (bit % 8)))) continue;
      std::size_t end = entriesStart + bit;
      if (end <= start) continue;
      auto stored = bytes.slice(start, end - start);
      PageEntry entry;
      if (entries.empty()) {
        entry.bytes.assign(stored.begin(), stored.end());
        first = entry.bytes;
        if (prefixLength > first.size()) bytes.fail("an index page's shared prefix is too long");
      } else {
        entry.bytes.assign(first.begin(), first.begin() + static_cast<long>(prefixLength));
        entry.bytes.insert(entry.bytes.end(), stored.begin(), stored.end());
      }
      entries.push_back(std::move(entry));
      start = end;
    }
    return entries;
  }

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
