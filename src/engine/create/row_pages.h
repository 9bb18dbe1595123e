#pragma once

// Places rows on data pages (§2.2, §6.1): rows are packed from the page end
// downwards in slot order; a new page is started when a row does not fit.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/create/page_file.h"
#include "engine/format/byte_order.h"

namespace engine::create {

struct RowLocation {
  std::uint32_t page = 0;
  std::uint8_t row = 0;
  bool operator==(const RowLocation&) const = default;
  auto operator<=>(const RowLocation&) const = default;
};

class RowPages {
 public:
  // `owner` goes into bytes 4-7 of every page: the owning TDEF page number, or
  // the "LVAL" tag for long-value pages.
  RowPages(PageFile& file, std::uint32_t owner);
  RowPages(const RowPages&) = delete;
  RowPages& operator=(const RowPages&) = delete;

  // Appends a row; allocates a fresh page when the current one lacks room.
  RowLocation add(std::span<const std::uint8_t> row);
  // Where the next add() of a row of `size` bytes will put it.
  RowLocation peek(std::size_t size);

  // Every page used, in allocation order.
  const std::vector<std::uint32_t>& pages() const { return pages_; }
  // The pages that can still take a row of a useful size.
  std::vector<std::uint32_t> pagesWithFreeSpace() const;

 private:
  bool fits(std::size_t size) const;
  void startPage();

  PageFile& file_;
  std::uint32_t owner_;
  std::vector<std::uint32_t> pages_;
};

// The free space of a data page as the guide defines it.
std::uint16_t dataPageFreeSpace(std::span<const std::uint8_t> page);

}  // namespace engine::create
