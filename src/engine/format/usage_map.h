#pragma once

#include "engine/base/internal.h"

// The one model of a usage map (docs/file-format.md, Usage maps), for the reader, the
// updater and the creator: it lists the pages a map records, tests and sets
// their bits, and grows the map when a page falls outside what it can
// record. An inline map whose window cannot hold the page is shifted when
// the span of its pages fits the window, else promoted in its own row to a
// reference map; a reference map gets a new bitmap page (type 0x05) where it
// has none. Malformed maps are damage (Error::damaged) for every user alike.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace engine {

// Where a map lives and the pages around it, as its user sees them: the
// reader only reads; the updater edits copies that go through the journal;
// the creator fills the pages of a new file.
class UsageMapStore {
 public:
  virtual std::uint32_t pageSize() const = 0;
  // Pages of the file, including those appended so far.
  virtual std::uint32_t pageCount() const = 0;
  // The bytes of the map's row.
  virtual std::span<const std::uint8_t> row() = 0;
  virtual std::span<std::uint8_t> editRow() = 0;
  virtual std::span<const std::uint8_t> read(std::uint32_t page) = 0;
  virtual std::span<std::uint8_t> edit(std::uint32_t page) = 0;
  // A new zero-filled page at the end of the file, already counted as used.
  virtual std::uint32_t append() = 0;
  // The page holding the map's row (for messages).
  virtual std::uint32_t rowPage() const = 0;
  // Throws Error::damaged for `page`.
  [[noreturn]] virtual void damaged(std::uint32_t page, const std::string& what) const = 0;

 protected:
  ~UsageMapStore() = default;
};

// The first page of an inline window of `windowPages` that holds every page
// from `low` to `high`: `low` rounded down to a byte of the bitmap when that
// still reaches `high`, else `low`; nothing when the span is wider.
[[nodiscard]] std::optional<std::uint32_t> inlineWindowStart(std::uint32_t low, std::uint32_t high,
                                                             std::uint64_t windowPages);

// The length of `bits` without its trailing zero bytes (a map is mostly zeros).
std::size_t withoutTrailingZeros(std::span<const std::uint8_t> bits);

class UsageMap {
 public:
  // Decodes the map's row. Throws Error::damaged when it is malformed.
  explicit UsageMap(UsageMapStore& store);

  [[nodiscard]] bool isInline() const { return inline_; }
  // Whether the map records `page` (false outside what it covers).
  [[nodiscard]] bool contains(std::uint32_t page);
  // Every page recorded, lowest first.
  std::vector<std::uint32_t> pages();
  // Calls `visit(page)` for the recorded pages, highest first, until it
  // returns false: a map is read from its end only as far as needed.
  template <typename Visit>
  void visitFromLast(Visit visit);

  // Records or forgets `page`. Recording a page the map cannot hold grows
  // it when `mayGrow`; false when it cannot record it (not grown, or a
  // reference map with no entry for that far into the file). Forgetting a
  // page the map does not cover is done already.
  [[nodiscard]] bool set(std::uint32_t page, bool value, bool mayGrow = true);
  // Replaces the pages recorded by `pages`, in the same row: inline when
  // one window holds them, else a reference map. False (nothing changed)
  // when the row cannot hold them.
  [[nodiscard]] bool assign(std::span<const std::uint32_t> pages);

 private:
  struct Bit {
    std::optional<std::uint32_t> page;  // a bitmap page, else the row
    std::size_t byte = 0;               // offset in the row or in the page
    std::uint8_t mask = 0;
  };
  struct Stretch {
    std::optional<std::uint32_t> page;
    std::span<const std::uint8_t> bits;
    std::uint64_t firstPage = 0;
  };

  std::size_t entryCount() const;
  std::uint64_t pagesPerBitmapPage() const;
  std::uint32_t entry(std::size_t j);
  [[nodiscard]] bool hasBitmapPage(std::uint32_t number) const;
  std::span<const std::uint8_t> bitmapPage(std::uint32_t number);
  [[nodiscard]] std::optional<Bit> locate(std::uint32_t page);
  void write(const Bit& bit, bool value);
  std::vector<Stretch> stretches();
  void beyondEnd(const Stretch& stretch, std::uint64_t page) const;
  [[nodiscard]] bool recordInReference(std::uint32_t page);
  bool grow(std::uint32_t page);

  UsageMapStore& store_;
  bool inline_ = true;
  std::size_t rowLength_ = 0;
};

template <typename Visit>
void UsageMap::visitFromLast(Visit visit) {
  const std::vector<Stretch> all = stretches();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    const Stretch& stretch = *it;
    for (std::size_t j = withoutTrailingZeros(stretch.bits); j-- > 0;) {
      if (stretch.bits[j] == 0) continue;
      for (int k = 8; k-- > 0;) {
        if (!(stretch.bits[j] & (1u << k))) continue;
        const std::uint64_t page = stretch.firstPage + 8 * j + static_cast<std::uint64_t>(k);
        if (page >= store_.pageCount()) beyondEnd(stretch, page);
        if (!visit(static_cast<std::uint32_t>(page))) return;
      }
    }
  }
}

}  // namespace engine
