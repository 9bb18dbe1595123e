#include "engine/read/usage_map.h"

#include <cstring>

#include "engine/format/layout_data_page.h"
#include "engine/format/layout_usage_map.h"
#include "engine/read/data_page.h"

namespace engine {

namespace um = layout::usage_map;

namespace {

// Bits of the pages from `firstPage` on, read from `where`.
struct Stretch {
  const BoundedBytes& where;
  std::span<const std::uint8_t> bits;
  std::uint64_t firstPage;
};

// Calls `visit(stretch)` for each stretch of the map, in page order or from
// the last one, until it returns false.
template <typename Visit>
void forEachStretch(Pager& pager, const Format& format, std::uint32_t pointer, bool fromLast,
                    Visit visit) {
  RowPointer where = RowPointer::fromRaw(pointer);
  PageRef ref = pager.page(where.page);
  DataPageView page(pager.view(ref, where.page), format);
  BoundedBytes row = page.row(where.row);
  std::uint8_t kind = row.u8(0);
  if (kind == um::kInline) {
    visit(Stretch{row, row.all().subspan(um::kInlineBitmap), row.u32(um::kInlineStart)});
    return;
  }
  if (kind != um::kReference) row.fail("unknown usage map kind " + std::to_string(kind));
  const std::uint64_t pagesPerMapPage = um::pagesPerBitmapPage(pager.pageSize());
  const std::size_t entries = (row.size() - um::kReferenceEntries) / um::kReferenceEntrySize;
  for (std::size_t n = 0; n < entries; ++n) {
    const std::size_t j = fromLast ? entries - 1 - n : n;
    std::uint32_t mapPage = row.u32(um::kReferenceEntries + um::kReferenceEntrySize * j);
    if (mapPage == 0 || mapPage >= um::kInvalidPageThreshold || mapPage >= pager.pageCount())
      continue;
    const std::uint64_t first = j * pagesPerMapPage;
    if (first >= pager.pageCount()) {
      if (fromLast) continue;
      break;
    }
    PageRef bitmapRef = pager.page(mapPage);
    BoundedBytes bitmap = pager.view(bitmapRef, mapPage);
    if (bitmap.u8(0) != layout::data_page::kTypeUsageMap)
      bitmap.fail("expected a usage map page, found page type " + std::to_string(bitmap.u8(0)));
    if (!visit(Stretch{bitmap, bitmap.all().subspan(um::kBitmapPageHeader), first})) return;
  }
}

// A set bit for a page past the end means the file lost its tail.
std::uint32_t pageOfBit(const Stretch& stretch, std::size_t byte, int bit,
                        std::uint32_t pageCount) {
  const std::uint64_t page = stretch.firstPage + 8 * byte + static_cast<std::uint64_t>(bit);
  if (page >= pageCount)
    stretch.where.fail("a usage map lists page " + std::to_string(page) +
                       ", beyond the end of the file (" + std::to_string(pageCount) + " pages)");
  return static_cast<std::uint32_t>(page);
}

// The length of `bits` without its trailing zero bytes, skipped a word at a
// time: a map is mostly zeros.
std::size_t withoutTrailingZeros(std::span<const std::uint8_t> bits) {
  std::size_t end = bits.size();
  for (std::uint64_t word = 0; end >= sizeof word; end -= sizeof word) {
    std::memcpy(&word, bits.data() + end - sizeof word, sizeof word);
    if (word != 0) break;
  }
  while (end > 0 && bits[end - 1] == 0) --end;
  return end;
}

}  // namespace

std::vector<std::uint32_t> readUsageMap(Pager& pager, const Format& format, std::uint32_t pointer) {
  std::vector<std::uint32_t> pages;
  forEachStretch(pager, format, pointer, false, [&](const Stretch& stretch) {
    for (std::size_t j = 0; j < stretch.bits.size(); ++j) {
      if (stretch.bits[j] == 0) continue;
      for (int k = 0; k < 8; ++k)
        if (stretch.bits[j] & (1u << k))
          pages.push_back(pageOfBit(stretch, j, k, pager.pageCount()));
    }
    return true;
  });
  return pages;
}

std::vector<std::uint32_t> readLastPagesOfUsageMap(Pager& pager, const Format& format,
                                                   std::uint32_t pointer, std::size_t limit) {
  std::vector<std::uint32_t> pages;
  if (limit == 0) return pages;
  forEachStretch(pager, format, pointer, true, [&](const Stretch& stretch) {
    for (std::size_t j = withoutTrailingZeros(stretch.bits); j-- > 0;) {
      if (stretch.bits[j] == 0) continue;
      for (int k = 8; k-- > 0;) {
        if (!(stretch.bits[j] & (1u << k))) continue;
        pages.push_back(pageOfBit(stretch, j, k, pager.pageCount()));
        if (pages.size() == limit) return false;
      }
    }
    return true;
  });
  return pages;
}

}  // namespace engine
