#include "engine/format/index_page.h"

#include <algorithm>

#include "engine/format/layout_data_page.h"
#include "engine/format/layout_index.h"

namespace engine {

namespace ix = layout::index;
namespace dp = layout::data_page;

namespace {

struct Geometry {
  std::size_t previous, next, tail, prefix, mask, entries;
};

Geometry geometry(const Format& format) {
  if (format.isJet3())
    return {ix::kPrevPageJet3,     ix::kNextPageJet3,  ix::kTailPageJet3,
            ix::kPrefixLengthJet3, ix::kEntryMaskJet3, ix::kEntriesJet3};
  return {ix::kPrevPageJet4,     ix::kNextPageJet4,  ix::kTailPageJet4,
          ix::kPrefixLengthJet4, ix::kEntryMaskJet4, ix::kEntriesJet4};
}

// The longest prefix every entry shares with the first.
std::size_t sharedPrefix(const std::vector<Bytes>& entries) {
  if (entries.size() < 2) return 0;
  std::size_t shared = entries.front().size();
  for (std::size_t i = 1; i < entries.size(); ++i) {
    const auto& e = entries[i];
    const auto mismatch = std::mismatch(entries.front().begin(), entries.front().begin() + shared,
                                        e.begin(), e.begin() + std::min(shared, e.size()));
    shared = static_cast<std::size_t>(mismatch.first - entries.front().begin());
  }
  // A later entry keeps at least one byte of its own, so its end can be marked.
  for (std::size_t i = 1; i < entries.size(); ++i) shared = std::min(shared, entries[i].size() - 1);
  return shared;
}

}  // namespace

Bytes leafEntry(std::span<const std::uint8_t> key, std::uint32_t page, std::uint8_t row) {
  Bytes entry(key.begin(), key.end());
  entry.push_back(static_cast<std::uint8_t>(page >> 16));
  entry.push_back(static_cast<std::uint8_t>(page >> 8));
  entry.push_back(static_cast<std::uint8_t>(page));
  entry.push_back(row);
  return entry;
}

Bytes nodeEntry(std::span<const std::uint8_t> lastLeafEntry, std::uint32_t child) {
  Bytes entry(lastLeafEntry.begin(), lastLeafEntry.end());
  for (int shift = 24; shift >= 0; shift -= 8)
    entry.push_back(static_cast<std::uint8_t>(child >> shift));
  return entry;
}

std::uint32_t childOf(std::span<const std::uint8_t> entry) {
  const std::size_t at = entry.size() - kChildPointerSize;
  return (std::uint32_t{entry[at]} << 24) | (std::uint32_t{entry[at + 1]} << 16) |
         (std::uint32_t{entry[at + 2]} << 8) | entry[at + 3];
}

std::optional<IndexPage> decodeIndexPage(std::span<const std::uint8_t> bytes, const Format& format,
                                         std::string& why) {
  const Geometry g = geometry(format);
  if (bytes.size() <= g.entries) {
    why = "an index page is too short";
    return std::nullopt;
  }
  IndexPage page;
  const std::uint8_t type = bytes[0];
  if (type != dp::kTypeIndexNode && type != dp::kTypeIndexLeaf) {
    why = "expected an index page, found page type " + std::to_string(type);
    return std::nullopt;
  }
  page.leaf = type == dp::kTypeIndexLeaf;
  page.owner = readU32(bytes, dp::kOwner);
  page.previous = readU32(bytes, g.previous);
  page.next = readU32(bytes, g.next);
  page.tail = readU32(bytes, g.tail);
  // One byte in Jet 3: the byte after it is not part of the count (seen 0x01).
  const std::size_t prefix = format.isJet3() ? bytes[g.prefix] : readU16(bytes, g.prefix);
  const auto mask = bytes.subspan(g.mask, g.entries - g.mask);
  std::size_t start = g.entries;
  for (std::size_t bit = 0; bit < mask.size() * 8; ++bit) {
    if (!(mask[bit / 8] & (1u << (bit % 8)))) continue;
    const std::size_t end = g.entries + bit;
    if (end <= start) continue;
    if (end > bytes.size()) {
      why = "an index entry runs past the end of its page";
      return std::nullopt;
    }
    const auto stored = bytes.subspan(start, end - start);
    Bytes entry;
    if (page.entries.empty()) {
      if (prefix > stored.size()) {
        why = "an index page's shared prefix is too long";
        return std::nullopt;
      }
    } else {
      const Bytes& first = page.entries.front();
      entry.assign(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(prefix));
    }
    entry.insert(entry.end(), stored.begin(), stored.end());
    page.entries.push_back(std::move(entry));
    start = end;
  }
  return page;
}

std::size_t storedSize(const std::vector<Bytes>& entries) {
  std::size_t total = 0;
  for (const auto& e : entries) total += e.size();
  if (entries.size() > 1) total -= sharedPrefix(entries) * (entries.size() - 1);
  return total;
}

std::size_t entryArea(const Format& format) {
  const Geometry g = geometry(format);
  // The bitmask covers the whole area; the last bit would mark an end past the page.
  return std::min<std::size_t>(format.pageSize() - g.entries, (g.entries - g.mask) * 8 - 1);
}

bool fitsOnPage(const std::vector<Bytes>& entries, const Format& format) {
  return storedSize(entries) <= entryArea(format);
}

void encodeIndexPage(std::span<std::uint8_t> bytes, const IndexPage& page, const Format& format) {
  const Geometry g = geometry(format);
  bytes[0] = page.leaf ? dp::kTypeIndexLeaf : dp::kTypeIndexNode;
  bytes[1] = 0x01;
  putU32(bytes, dp::kOwner, page.owner);
  putU32(bytes, g.previous, page.previous);
  putU32(bytes, g.next, page.next);
  putU32(bytes, g.tail, page.tail);
  const std::size_t prefix = sharedPrefix(page.entries);
  if (format.isJet3())
    bytes[g.prefix] = static_cast<std::uint8_t>(prefix);
  else
    putU16(bytes, g.prefix, static_cast<std::uint16_t>(prefix));
  std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(g.mask), bytes.end(), 0);
  std::size_t at = 0;
  for (std::size_t i = 0; i < page.entries.size(); ++i) {
    const Bytes& entry = page.entries[i];
    const std::size_t skip = i == 0 ? 0 : prefix;
    std::copy(entry.begin() + static_cast<std::ptrdiff_t>(skip), entry.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(g.entries + at));
    at += entry.size() - skip;
    bytes[g.mask + at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
  }
  putU16(bytes, dp::kFreeSpace, static_cast<std::uint16_t>(bytes.size() - g.entries - at));
}

}  // namespace engine
