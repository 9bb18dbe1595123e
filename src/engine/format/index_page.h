#pragma once

#include "engine/base/internal.h"

// One index page (docs/file-format.md, Index pages) as a list of whole entries: the model the
// reader walks, the updater edits and the creator writes. On the page the entries share a prefix
// (stored once, with the first entry), and a bitmask marks where each stored entry ends.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/format/byte_order.h"

namespace engine {

struct IndexPage {
  bool leaf = true;
  std::uint32_t owner = 0;     // the TDEF page
  std::uint32_t previous = 0;  // pages of the same level, 0 = none
  std::uint32_t next = 0;
  std::uint32_t tail = 0;      // nodes: the last child, which no entry names
  std::vector<Bytes> entries;  // whole entries, in ascending order
};

// Leaf entry: key, the row's data page (3 bytes, big-endian) and row number.
// Node entry: the last leaf entry below the child, then the child's page (4
// bytes, big-endian).
inline constexpr std::size_t kLeafPointerSize = 4;
inline constexpr std::size_t kChildPointerSize = 4;

Bytes leafEntry(std::span<const std::uint8_t> key, std::uint32_t page, std::uint8_t row);
Bytes nodeEntry(std::span<const std::uint8_t> lastLeafEntry, std::uint32_t child);
std::uint32_t childOf(std::span<const std::uint8_t> nodeEntry);

// The page as stored, or nothing when it is not a well-formed index page
// (`why` says how).
[[nodiscard]] std::optional<IndexPage> decodeIndexPage(std::span<const std::uint8_t> bytes,
                                                       const Format& format, std::string& why);

// Bytes the entries take on a page once their shared prefix is taken out.
std::size_t storedSize(const std::vector<Bytes>& entries);
// Bytes a page has for entries.
std::size_t entryArea(const Format& format);
[[nodiscard]] bool fitsOnPage(const std::vector<Bytes>& entries, const Format& format);

// Writes `page` over `bytes` (a whole page), leaving the bytes the model
// does not know (after the type byte, and before the links) as they are.
// The entries must fit.
void encodeIndexPage(std::span<std::uint8_t> bytes, const IndexPage& page, const Format& format);

}  // namespace engine
