#pragma once

// Changing rows on a data page in place (guide §2.2, §6.1, §9.3): rows are
// packed from the end of the page downwards in slot order, so a row grows
// by shifting every row with a higher slot number down; a new row goes
// below the lowest one with a new slot. Row numbers never change.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "engine/format/format.h"

namespace engine::page_edit {

struct SlotInfo {
  std::uint16_t raw = 0;
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t length() const { return end - start; }
};

std::size_t slotCount(std::span<const std::uint8_t> page, const Format& format);
// Slot `index` with its row's extent; nothing when the offsets are inconsistent.
std::optional<SlotInfo> slot(std::span<const std::uint8_t> page, const Format& format,
                             std::size_t index);
void setSlotRaw(std::span<std::uint8_t> page, const Format& format, std::size_t index,
                std::uint16_t raw);
// Free bytes as the slot table and rows leave them (guide §2.2); nothing
// when the page is inconsistent.
std::optional<std::size_t> freeSpace(std::span<const std::uint8_t> page, const Format& format);

// Replaces row `index` by `row`, which is longer, shifting the rows after
// it. False (page unchanged) when the page lacks room or is inconsistent.
bool growRow(std::span<std::uint8_t> page, const Format& format, std::size_t index,
             std::span<const std::uint8_t> row);
// Adds `row` with a new slot carrying `flags`. Its row number, or nothing
// when the page lacks room or slots.
std::optional<std::uint8_t> addRow(std::span<std::uint8_t> page, const Format& format,
                                   std::span<const std::uint8_t> row, std::uint16_t flags);
// Whether addRow would succeed for a row of `length` bytes.
bool hasRoomFor(std::span<const std::uint8_t> page, const Format& format, std::size_t length);

// An empty data page owned by `owner` (a TDEF page, or the LVAL tag).
void initialiseDataPage(std::span<std::uint8_t> page, const Format& format, std::uint32_t owner);

}  // namespace engine::page_edit
