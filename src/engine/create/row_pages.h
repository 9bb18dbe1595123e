#pragma once

#include "engine/base/internal.h"

// The data pages of one kind of row in a new database (a table's rows, one
// column's long values, the usage maps): rows are added to the last page
// as the data-page model packs them; a new page is started when a row does
// not fit.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/create/page_file.h"
#include "engine/read/data_page.h"

namespace engine::create {

class RowPages {
 public:
  // `owner` goes into bytes 4-7 of every page: the owning TDEF page number, or
  // the "LVAL" tag for long-value pages.
  RowPages(PageFile& file, std::uint32_t owner);
  RowPages(const RowPages&) = delete;
  RowPages& operator=(const RowPages&) = delete;

  // Appends a row; starts a fresh page when the current one lacks room.
  RowPointer add(std::span<const std::uint8_t> row);

  // Every page used, in allocation order.
  const std::vector<std::uint32_t>& pages() const { return pages_; }
  // The pages that belong in a free-space map.
  std::vector<std::uint32_t> pagesWithFreeSpace() const;

 private:
  PageFile& file_;
  std::uint32_t owner_;
  std::vector<std::uint32_t> pages_;
};

}  // namespace engine::create
