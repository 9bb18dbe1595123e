#include "engine/write/data_page_edit.h"

#include <cstring>

#include "engine/format/byte_order.h"
#include "engine/format/layout_data_page.h"

namespace engine::page_edit {

namespace dp = layout::data_page;

namespace {

std::size_t slotAt(const Format& format, std::size_t index) {
  return format.dataHeaderSize() + 2 * index;
}

void setFree(std::span<std::uint8_t> page, std::size_t free) {
  putU16(page, dp::kFreeSpace, static_cast<std::uint16_t>(free));
}

// Where the lowest row starts (the page end when there is none).
std::size_t lowestRow(std::span<const std::uint8_t> page, const Format& format) {
  const std::size_t count = slotCount(page, format);
  return count == 0 ? page.size() : readU16(page, slotAt(format, count - 1)) & dp::kSlotOffsetMask;
}

// Gives row `index` `length` bytes, moving the rows after it (they lie below
// it) and their offsets; the row's own bytes are left for the caller to
// fill. Room freed below the rows is cleared.
bool resizeRow(std::span<std::uint8_t> page, const Format& format, std::size_t index,
               std::size_t length) {
  if (!canReplaceRow(page, format, index, length)) return false;
  const SlotInfo target = *slot(page, format, index);
  const std::size_t free = *freeSpace(page, format);
  // Row `index` and the rows after it move by `shift` bytes, towards the page
  // end when the row shrinks.
  const std::ptrdiff_t shift =
      static_cast<std::ptrdiff_t>(target.length()) - static_cast<std::ptrdiff_t>(length);
  const std::size_t lowest = lowestRow(page, format);
  std::memmove(page.data() + lowest + shift, page.data() + lowest, target.start - lowest);
  if (shift > 0) std::memset(page.data() + lowest, 0, static_cast<std::size_t>(shift));
  const std::size_t count = slotCount(page, format);
  for (std::size_t i = index; i < count; ++i) {
    const std::uint16_t raw = readU16(page, slotAt(format, i));
    const auto start = static_cast<std::ptrdiff_t>(raw & dp::kSlotOffsetMask) + shift;
    putU16(page, slotAt(format, i),
           static_cast<std::uint16_t>((raw & ~dp::kSlotOffsetMask) | start));
  }
  setFree(page, free + target.length() - length);
  return true;
}

// The first slot of a removed row: both bits set and no bytes left.
std::optional<std::size_t> removedSlot(std::span<const std::uint8_t> page, const Format& format) {
  const std::size_t count = slotCount(page, format);
  for (std::size_t i = 0; i < count; ++i) {
    const auto info = slot(page, format, i);
    if (info && (info->raw & dp::kSlotRemoved) == dp::kSlotRemoved && info->length() == 0) return i;
  }
  return std::nullopt;
}

}  // namespace

std::size_t slotCount(std::span<const std::uint8_t> page, const Format& format) {
  return readU16(page, format.dataRowCountOffset());
}

std::optional<SlotInfo> slot(std::span<const std::uint8_t> page, const Format& format,
                             std::size_t index) {
  const std::size_t count = slotCount(page, format);
  if (index >= count || slotAt(format, count) > page.size()) return std::nullopt;
  SlotInfo info;
  info.raw = readU16(page, slotAt(format, index));
  info.start = info.raw & dp::kSlotOffsetMask;
  info.end = index == 0 ? page.size()
                        : static_cast<std::size_t>(readU16(page, slotAt(format, index - 1)) &
                                                   dp::kSlotOffsetMask);
  if (info.start < slotAt(format, count) || info.start > info.end || info.end > page.size())
    return std::nullopt;
  return info;
}

void setSlotFlags(std::span<std::uint8_t> page, const Format& format, std::size_t index,
                  std::uint16_t flags) {
  const std::uint16_t raw = readU16(page, slotAt(format, index));
  putU16(page, slotAt(format, index),
         static_cast<std::uint16_t>((raw & ~dp::kSlotRemoved) | (flags & dp::kSlotRemoved)));
}

std::optional<std::size_t> freeSpace(std::span<const std::uint8_t> page, const Format& format) {
  const std::size_t count = slotCount(page, format);
  const std::size_t header = format.dataHeaderSize();
  const std::size_t tableEnd = header + 2 * count;
  if (tableEnd > page.size()) return std::nullopt;
  // Each row ends where the one before it starts; the same test as slot(),
  // in one pass, since every change of a row asks it.
  std::size_t end = page.size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t start = readU16(page, header + 2 * i) & dp::kSlotOffsetMask;
    if (start < tableEnd || start > end) return std::nullopt;
    end = start;
  }
  return end - tableEnd;
}

bool hasRoomFor(std::span<const std::uint8_t> page, const Format& format, std::size_t length,
                bool reuseSlots) {
  auto free = freeSpace(page, format);
  if (!free) return false;
  if (reuseSlots && removedSlot(page, format)) return *free >= length;
  return slotCount(page, format) < dp::kMaxSlots && *free >= length + 2;
}

bool canReplaceRow(std::span<const std::uint8_t> page, const Format& format, std::size_t index,
                   std::size_t length) {
  auto target = slot(page, format, index);
  auto free = freeSpace(page, format);
  return target && free && length <= target->length() + *free;
}

bool offersRoom(std::span<const std::uint8_t> page, const Format& format, bool reuseSlots) {
  return hasRoomFor(page, format, dp::kUsefulFreeSpace - 2, reuseSlots);
}

void initialiseDataPage(std::span<std::uint8_t> page, const Format& format, std::uint32_t owner) {
  std::memset(page.data(), 0, page.size());
  page[0] = dp::kTypeData;
  page[1] = 0x01;
  setFree(page, page.size() - format.dataHeaderSize());
  putU32(page, dp::kOwner, owner);
}

std::optional<std::uint8_t> addRow(std::span<std::uint8_t> page, const Format& format,
                                   std::span<const std::uint8_t> row, std::uint16_t flags,
                                   bool reuseSlots) {
  if (!hasRoomFor(page, format, row.size(), reuseSlots)) return std::nullopt;
  if (const auto removed = reuseSlots ? removedSlot(page, format) : std::nullopt) {
    if (!replaceRow(page, format, *removed, row)) return std::nullopt;
    setSlotFlags(page, format, *removed, flags);
    return static_cast<std::uint8_t>(*removed);
  }
  const std::size_t free = *freeSpace(page, format);
  const std::size_t count = slotCount(page, format);
  const std::size_t start = lowestRow(page, format) - row.size();
  std::memcpy(page.data() + start, row.data(), row.size());
  putU16(page, slotAt(format, count), static_cast<std::uint16_t>(start | flags));
  putU16(page, format.dataRowCountOffset(), static_cast<std::uint16_t>(count + 1));
  setFree(page, free - row.size() - 2);
  return static_cast<std::uint8_t>(count);
}

bool replaceRow(std::span<std::uint8_t> page, const Format& format, std::size_t index,
                std::span<const std::uint8_t> row) {
  if (!resizeRow(page, format, index, row.size())) return false;
  std::memcpy(page.data() + slot(page, format, index)->start, row.data(), row.size());
  return true;
}

bool removeRow(std::span<std::uint8_t> page, const Format& format, std::size_t index) {
  if (!resizeRow(page, format, index, 0)) return false;
  setSlotFlags(page, format, index, dp::kSlotRemoved);
  return true;
}

}  // namespace engine::page_edit
