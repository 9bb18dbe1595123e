#include "engine/create/row_pages.h"

#include <algorithm>
#include <string>

#include "engine/create/refusal.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"

namespace engine::create {

namespace dp = layout::data_page;
namespace h = layout::header;

namespace {

// Below this much room a page is no longer offered for inserts.
constexpr std::size_t kUsefulFreeSpace = 64;

}  // namespace

RowPages::RowPages(PageFile& file, std::uint32_t owner) : file_(file), owner_(owner) {}

std::uint16_t dataPageFreeSpace(std::span<const std::uint8_t> page) {
  return readU16(page, dp::kFreeSpace);
}

bool RowPages::fits(std::size_t size) const {
  if (pages_.empty()) return false;
  auto page = file_.page(pages_.back());
  auto rows = readU16(page, dp::kRowCountJet4);
  return rows < dp::kMaxSlots && dataPageFreeSpace(page) >= size + 2;
}

void RowPages::startPage() {
  auto number = file_.allocate();
  auto page = file_.page(number);
  page[0] = dp::kTypeData;
  page[1] = 0x01;
  putU16(page, dp::kFreeSpace, static_cast<std::uint16_t>(h::kPageSizeJet4 - dp::kHeaderSizeJet4));
  putU32(page, dp::kOwner, owner_);
  putU16(page, dp::kRowCountJet4, 0);
  pages_.push_back(number);
}

RowLocation RowPages::peek(std::size_t size) {
  if (!fits(size)) startPage();
  auto page = file_.page(pages_.back());
  return {pages_.back(), static_cast<std::uint8_t>(readU16(page, dp::kRowCountJet4))};
}

RowLocation RowPages::add(std::span<const std::uint8_t> row) {
  if (row.size() > h::kPageSizeJet4 - dp::kHeaderSizeJet4 - 2)
    throw Refusal("a row of " + std::to_string(row.size()) + " bytes does not fit on a page");
  auto where = peek(row.size());
  auto page = file_.page(where.page);
  std::size_t rows = where.row;
  std::size_t end =
      rows == 0 ? h::kPageSizeJet4 : (readU16(page, dp::kHeaderSizeJet4 + 2 * (rows - 1)) & 0x1FFF);
  std::size_t start = end - row.size();
  std::copy(row.begin(), row.end(), page.begin() + static_cast<std::ptrdiff_t>(start));
  putU16(page, dp::kHeaderSizeJet4 + 2 * rows, static_cast<std::uint16_t>(start));
  putU16(page, dp::kRowCountJet4, static_cast<std::uint16_t>(rows + 1));
  putU16(page, dp::kFreeSpace,
         static_cast<std::uint16_t>(start - (dp::kHeaderSizeJet4 + 2 * (rows + 1))));
  return where;
}

std::vector<std::uint32_t> RowPages::pagesWithFreeSpace() const {
  std::vector<std::uint32_t> result;
  for (auto number : pages_) {
    auto page = file_.page(number);
    if (readU16(page, dp::kRowCountJet4) < dp::kMaxSlots &&
        dataPageFreeSpace(page) >= kUsefulFreeSpace)
      result.push_back(number);
  }
  return result;
}

}  // namespace engine::create
