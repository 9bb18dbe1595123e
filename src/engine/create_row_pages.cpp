#include "engine/create_row_pages.h"

#include <algorithm>
#include <string>

#include "engine/create_format.h"
#include "engine/create_refusal.h"

namespace engine::create {

namespace {

// Below this much room a page is no longer offered for inserts.
constexpr std::size_t kUsefulFreeSpace = 64;

}  // namespace

RowPages::RowPages(PageFile& file, std::uint32_t owner) : file_(file), owner_(owner) {}

std::uint16_t dataPageFreeSpace(std::span<const std::uint8_t> page) {
  return getU16(page, kDataPageFreeSpaceOffset);
}

bool RowPages::fits(std::size_t size) const {
  if (pages_.empty()) return false;
  auto page = file_.page(pages_.back());
  auto rows = getU16(page, kDataPageRowCountOffset);
  return rows < kMaxRowsPerPage && dataPageFreeSpace(page) >= size + 2;
}

void RowPages::startPage() {
  auto number = file_.allocate();
  auto page = file_.page(number);
  page[0] = kPageTypeData;
  page[1] = 0x01;
  putU16(page, kDataPageFreeSpaceOffset,
         static_cast<std::uint16_t>(kPageSize - kDataPageHeaderSize));
  putU32(page, kDataPageOwnerOffset, owner_);
  putU16(page, kDataPageRowCountOffset, 0);
  pages_.push_back(number);
}

RowLocation RowPages::peek(std::size_t size) {
  if (!fits(size)) startPage();
  auto page = file_.page(pages_.back());
  return {pages_.back(), static_cast<std::uint8_t>(getU16(page, kDataPageRowCountOffset))};
}

RowLocation RowPages::add(std::span<const std::uint8_t> row) {
  if (row.size() > kPageSize - kDataPageHeaderSize - 2)
    throw Refusal("a row of " + std::to_string(row.size()) + " bytes does not fit on a page");
  auto where = peek(row.size());
  auto page = file_.page(where.page);
  std::size_t rows = where.row;
  std::size_t end =
      rows == 0 ? kPageSize : (getU16(page, kDataPageHeaderSize + 2 * (rows - 1)) & 0x1FFF);
  std::size_t start = end - row.size();
  std::copy(row.begin(), row.end(), page.begin() + static_cast<std::ptrdiff_t>(start));
  putU16(page, kDataPageHeaderSize + 2 * rows, static_cast<std::uint16_t>(start));
  putU16(page, kDataPageRowCountOffset, static_cast<std::uint16_t>(rows + 1));
  putU16(page, kDataPageFreeSpaceOffset,
         static_cast<std::uint16_t>(start - (kDataPageHeaderSize + 2 * (rows + 1))));
  return where;
}

std::vector<std::uint32_t> RowPages::pagesWithFreeSpace() const {
  std::vector<std::uint32_t> result;
  for (auto number : pages_) {
    auto page = file_.page(number);
    if (getU16(page, kDataPageRowCountOffset) < kMaxRowsPerPage &&
        dataPageFreeSpace(page) >= kUsefulFreeSpace)
      result.push_back(number);
  }
  return result;
}

}  // namespace engine::create
