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

void setSlotRaw(std::span<std::uint8_t> page, const Format& format, std::size_t index,
                std::uint16_t raw) {
  putU16(page, slotAt(format, index), raw);
}

std::optional<std::size_t> freeSpace(std::span<const std::uint8_t> page, const Format& format) {
  const std::size_t count = slotCount(page, format);
  const std::size_t tableEnd = slotAt(format, count);
  if (tableEnd > page.size()) return std::nullopt;
  std::size_t lowest = page.size();
  for (std::size_t i = 0; i < count; ++i) {
    auto info = slot(page, format, i);
    if (!info) return std::nullopt;
    lowest = info->start;
  }
  if (lowest < tableEnd) return std::nullopt;
  return lowest - tableEnd;
}

bool growRow(std::span<std::uint8_t> page, const Format& format, std::size_t index,
             std::span<const std::uint8_t> row) {
  auto target = slot(page, format, index);
  auto free = freeSpace(page, format);
  if (!target || !free || row.size() <= target->length()) return false;
  const std::size_t growth = row.size() - target->length();
  if (growth > *free) return false;
  const std::size_t count = slotCount(page, format);
  const std::size_t lowest = count == 0 ? page.size() : slot(page, format, count - 1)->start;
  // Rows after `index` sit below it; move them down together.
  std::memmove(page.data() + lowest - growth, page.data() + lowest, target->start - lowest);
  for (std::size_t i = index; i < count; ++i) {
    const std::uint16_t raw = readU16(page, slotAt(format, i));
    const std::uint16_t start = static_cast<std::uint16_t>((raw & dp::kSlotOffsetMask) - growth);
    setSlotRaw(page, format, i, static_cast<std::uint16_t>((raw & ~dp::kSlotOffsetMask) | start));
  }
  std::memcpy(page.data() + target->start - growth, row.data(), row.size());
  setFree(page, *free - growth);
  return true;
}

bool hasRoomFor(std::span<const std::uint8_t> page, const Format& format, std::size_t length) {
  auto free = freeSpace(page, format);
  return free && slotCount(page, format) < dp::kMaxSlots && *free >= length + 2;
}

std::optional<std::uint8_t> addRow(std::span<std::uint8_t> page, const Format& format,
                                   std::span<const std::uint8_t> row, std::uint16_t flags) {
  if (!hasRoomFor(page, format, row.size())) return std::nullopt;
  const std::size_t free = *freeSpace(page, format);
  const std::size_t count = slotCount(page, format);
  const std::size_t lowest = count == 0 ? page.size() : slot(page, format, count - 1)->start;
  const std::size_t start = lowest - row.size();
  std::memcpy(page.data() + start, row.data(), row.size());
  setSlotRaw(page, format, count, static_cast<std::uint16_t>(start | flags));
  putU16(page, format.dataRowCountOffset(), static_cast<std::uint16_t>(count + 1));
  setFree(page, free - row.size() - 2);
  return static_cast<std::uint8_t>(count);
}

void initialiseDataPage(std::span<std::uint8_t> page, const Format& format, std::uint32_t owner) {
  std::memset(page.data(), 0, page.size());
  page[0] = dp::kTypeData;
  page[1] = 0x01;
  setFree(page, page.size() - format.dataHeaderSize());
  for (int i = 0; i < 4; ++i) page[dp::kOwner + i] = static_cast<std::uint8_t>(owner >> (8 * i));
}

}  // namespace engine::page_edit
