#include "engine/read/data_page.h"

#include "engine/format/layout_data_page.h"
#include "engine/format/layout_long_value.h"

namespace engine {

namespace dp = layout::data_page;

bool RowSlot::deleted() const { return (raw & dp::kSlotDeleted) != 0; }
bool RowSlot::lookup() const { return (raw & dp::kSlotLookup) != 0; }

DataPageView::DataPageView(BoundedBytes page, const Format& format)
    : page_(page), headerSize_(format.dataHeaderSize()) {
  if (page_.u8(0) != dp::kTypeData)
    page_.fail("expected a data page, found page type " + std::to_string(page_.u8(0)));
  slotCount_ = page_.u16(format.dataRowCountOffset());
  if (slotCount_ > dp::kMaxSlots || headerSize_ + 2 * slotCount_ > page_.size())
    page_.fail("the row count " + std::to_string(slotCount_) + " does not fit the page");
}

bool DataPageView::isLongValuePage() const {
  return page_.u32(dp::kOwner) == layout::long_value::kPageOwner;
}

RowSlot DataPageView::slot(std::size_t index) const {
  if (index >= slotCount_)
    page_.fail("row " + std::to_string(index) + " does not exist (the page has " +
               std::to_string(slotCount_) + " rows)");
  RowSlot slot;
  slot.raw = page_.u16(headerSize_ + 2 * index);
  slot.start = slot.raw & dp::kSlotOffsetMask;
  slot.end =
      index == 0 ? page_.size() : (page_.u16(headerSize_ + 2 * (index - 1)) & dp::kSlotOffsetMask);
  std::size_t tableEnd = headerSize_ + 2 * slotCount_;
  if (slot.start < tableEnd || slot.end > page_.size() || slot.end < slot.start)
    page_.fail("row " + std::to_string(index) + " has inconsistent offsets (" +
               std::to_string(slot.start) + " to " + std::to_string(slot.end) + ")");
  return slot;
}

BoundedBytes DataPageView::row(std::size_t index) const {
  RowSlot s = slot(index);
  return page_.sub(s.start, s.length());
}

}  // namespace engine
