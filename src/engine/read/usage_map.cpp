#include "engine/read/usage_map.h"

#include "engine/format/layout_data_page.h"
#include "engine/format/layout_usage_map.h"
#include "engine/read/data_page.h"

namespace engine {

namespace um = layout::usage_map;

namespace {

// A set bit for a page past the end means the file lost its tail.
void addBits(const BoundedBytes& where, std::span<const std::uint8_t> bitmap,
             std::uint64_t firstPage, std::uint32_t pageCount, std::vector<std::uint32_t>& out) {
  for (std::size_t j = 0; j < bitmap.size(); ++j) {
    if (bitmap[j] == 0) continue;
    for (int k = 0; k < 8; ++k) {
      if (!(bitmap[j] & (1u << k))) continue;
      std::uint64_t page = firstPage + 8 * j + k;
      if (page >= pageCount)
        where.fail("a usage map lists page " + std::to_string(page) +
                   ", beyond the end of the file (" + std::to_string(pageCount) + " pages)");
      out.push_back(static_cast<std::uint32_t>(page));
    }
  }
}

}  // namespace

std::vector<std::uint32_t> readUsageMap(Pager& pager, const Format& format, std::uint32_t pointer) {
  RowPointer where = RowPointer::fromRaw(pointer);
  PageRef ref = pager.page(where.page);
  DataPageView page(pager.view(ref, where.page), format);
  BoundedBytes row = page.row(where.row);
  std::vector<std::uint32_t> pages;
  std::uint8_t kind = row.u8(0);
  if (kind == um::kInline) {
    std::uint32_t start = row.u32(um::kInlineStart);
    addBits(row, row.all().subspan(um::kInlineBitmap), start, pager.pageCount(), pages);
  } else if (kind == um::kReference) {
    const std::uint64_t pagesPerMapPage = um::pagesPerBitmapPage(pager.pageSize());
    std::size_t entries = (row.size() - um::kReferenceEntries) / um::kReferenceEntrySize;
    for (std::size_t j = 0; j < entries; ++j) {
      std::uint32_t mapPage = row.u32(um::kReferenceEntries + um::kReferenceEntrySize * j);
      if (mapPage == 0 || mapPage >= um::kInvalidPageThreshold || mapPage >= pager.pageCount())
        continue;
      std::uint64_t first = j * pagesPerMapPage;
      if (first >= pager.pageCount()) break;
      PageRef bitmapRef = pager.page(mapPage);
      BoundedBytes bitmap = pager.view(bitmapRef, mapPage);
      if (bitmap.u8(0) != layout::data_page::kTypeUsageMap)
        bitmap.fail("expected a usage map page, found page type " + std::to_string(bitmap.u8(0)));
      addBits(bitmap, bitmap.all().subspan(um::kBitmapPageHeader), first, pager.pageCount(), pages);
    }
  } else {
    row.fail("unknown usage map kind " + std::to_string(kind));
  }
  return pages;
}

}  // namespace engine
