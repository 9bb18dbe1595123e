#include "engine/create/usage_map.h"

#include <algorithm>

#include "engine/create/refusal.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_usage_map.h"

namespace engine::create {

namespace dp = layout::data_page;
namespace um = layout::usage_map;

namespace {

constexpr std::uint64_t kPagesPerBitmapPage = um::pagesPerBitmapPage(layout::header::kPageSizeJet4);

void setBit(std::span<std::uint8_t> bitmap, std::size_t bit) {
  bitmap[bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
}

}  // namespace

Bytes usageMapRow(PageFile& file, std::span<const std::uint32_t> pages) {
  Bytes row(um::kMapRowSizeJet4, 0);
  if (pages.empty()) return row;  // inline, starting at page 0, nothing set
  auto [low, high] = std::minmax_element(pages.begin(), pages.end());
  if (*high - *low < um::kInlineBitmapSizeJet4 * 8) {
    row[0] = um::kInline;
    putU32(row, um::kInlineStart, *low);
    auto bitmap = std::span(row).subspan(um::kInlineBitmap);
    for (auto page : pages) setBit(bitmap, page - *low);
    return row;
  }
  row[0] = um::kReference;
  std::size_t bitmapPagesNeeded = *high / kPagesPerBitmapPage + 1;
  if (bitmapPagesNeeded > um::kReferenceEntryCountJet4)
    throw Refusal("the database would be too large");
  std::vector<std::uint32_t> bitmapPages(bitmapPagesNeeded, 0);
  for (auto page : pages) {
    auto& bitmapPage = bitmapPages[page / kPagesPerBitmapPage];
    if (bitmapPage == 0) {
      bitmapPage = file.allocate();
      auto image = file.page(bitmapPage);
      image[0] = dp::kTypeUsageMap;
      image[1] = 0x01;
    }
    setBit(file.page(bitmapPage).subspan(um::kBitmapPageHeader), page % kPagesPerBitmapPage);
  }
  for (std::size_t j = 0; j < bitmapPages.size(); ++j)
    putU32(row, um::kReferenceEntries + um::kReferenceEntrySize * j, bitmapPages[j]);
  return row;
}

UsageMaps::UsageMaps(PageFile& file) : file_(file), rows_(file, 0) {}

std::uint32_t UsageMaps::add(std::span<const std::uint32_t> pages) {
  auto row = usageMapRow(file_, pages);
  auto where = rows_.add(row);
  return rowPointer(where.page, where.row);
}

}  // namespace engine::create
