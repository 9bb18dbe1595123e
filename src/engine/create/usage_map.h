#pragma once

#include "engine/base/internal.h"

// Usage maps (docs/file-format.md, Usage maps): bitmaps of pages in rows of data pages. A set of
// pages that fits one inline window (512 pages from its first page) becomes
// an inline map; a larger one a reference map whose bitmaps live on their own
// pages (type 0x05).

#include <cstdint>
#include <span>

#include "engine/create/page_file.h"
#include "engine/create/row_pages.h"
#include "engine/format/byte_order.h"

namespace engine::create {

// The row image of a map of `pages`; allocates bitmap pages for a reference map.
Bytes usageMapRow(PageFile& file, std::span<const std::uint32_t> pages);

// The data pages that hold the usage-map rows of every table, column and index.
class UsageMaps {
 public:
  explicit UsageMaps(PageFile& file);
  // Stores a map of `pages` and returns the 4-byte pointer to its row.
  std::uint32_t add(std::span<const std::uint32_t> pages);

 private:
  PageFile& file_;
  RowPages rows_;
};

}  // namespace engine::create
