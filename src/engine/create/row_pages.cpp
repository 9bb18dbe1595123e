#include "engine/create/row_pages.h"

#include <string>

#include "engine/create/refusal.h"
#include "engine/format.h"
#include "engine/write/data_page_edit.h"

namespace engine::create {

namespace {

// New databases are Jet 4 or ACE 12, whose data pages are laid out alike.
const Format kFormat{Version::Jet4};

}  // namespace

RowPages::RowPages(PageFile& file, std::uint32_t owner) : file_(file), owner_(owner) {}

RowPointer RowPages::add(std::span<const std::uint8_t> row) {
  if (pages_.empty() || !page_edit::hasRoomFor(file_.page(pages_.back()), kFormat, row.size())) {
    const std::uint32_t number = file_.allocate();
    page_edit::initialiseDataPage(file_.page(number), kFormat, owner_);
    pages_.push_back(number);
  }
  auto slot = page_edit::addRow(file_.page(pages_.back()), kFormat, row, 0);
  if (!slot)
    throw Refusal("a row of " + std::to_string(row.size()) + " bytes does not fit on a page");
  return {pages_.back(), *slot};
}

std::vector<std::uint32_t> RowPages::pagesWithFreeSpace() const {
  std::vector<std::uint32_t> result;
  for (auto number : pages_)
    if (page_edit::offersRoom(file_.page(number), kFormat)) result.push_back(number);
  return result;
}

}  // namespace engine::create
