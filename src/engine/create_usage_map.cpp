#include "engine/create_usage_map.h"

#include <algorithm>

#include "engine/create_format.h"
#include "engine/create_refusal.h"

namespace engine::create {

namespace {

void setBit(std::span<std::uint8_t> bitmap, std::size_t bit) {
  bitmap[bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
}

}  // namespace

Bytes usageMapRow(PageFile& file, std::span<const std::uint32_t> pages) {
  Bytes row(kUsageMapRowSize, 0);
  if (pages.empty()) return row;  // inline, starting at page 0, nothing set
  auto [low, high] = std::minmax_element(pages.begin(), pages.end());
  if (*high - *low < kInlineMapBitmapSize * 8) {
    row[0] = kUsageMapInline;
    putU32(row, 1, *low);
    auto bitmap = std::span(row).subspan(5);
    for (auto page : pages) setBit(bitmap, page - *low);
    return row;
  }
  row[0] = kUsageMapReference;
  std::size_t bitmapPagesNeeded = *high / kPagesPerBitmapPage + 1;
  if (bitmapPagesNeeded > kReferenceMapEntries) throw Refusal("the database would be too large");
  std::vector<std::uint32_t> bitmapPages(bitmapPagesNeeded, 0);
  for (auto page : pages) {
    auto& bitmapPage = bitmapPages[page / kPagesPerBitmapPage];
    if (bitmapPage == 0) {
      bitmapPage = file.allocate();
      auto image = file.page(bitmapPage);
      image[0] = kPageTypeUsageBitmap;
      image[1] = 0x01;
    }
    setBit(file.page(bitmapPage).subspan(kUsageBitmapPageHeaderSize), page % kPagesPerBitmapPage);
  }
  for (std::size_t j = 0; j < bitmapPages.size(); ++j) putU32(row, 1 + 4 * j, bitmapPages[j]);
  return row;
}

UsageMaps::UsageMaps(PageFile& file) : file_(file), rows_(file, 0) {}

std::uint32_t UsageMaps::add(std::span<const std::uint32_t> pages) {
  auto row = usageMapRow(file_, pages);
  auto where = rows_.add(row);
  return rowPointer(where.page, where.row);
}

}  // namespace engine::create
