#pragma once

#include "engine/base/internal.h"

// The rows of a data page and how they change (docs/file-format.md, Data pages, Growing rows), for
// the new-database writer and the updater alike: rows are packed from the end of the page downwards
// in slot order, so a row changes size by moving every row with a higher slot number; a new row
// goes below the lowest one with a new slot. Row numbers never change and are never given out
// again: index entries and overflow pointers name them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "engine/format.h"

namespace engine::page_edit {

struct SlotInfo {
  std::uint16_t raw = 0;
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t length() const { return end - start; }
};

std::size_t slotCount(std::span<const std::uint8_t> page, const Format& format);
// Slot `index` with its row's extent; nothing when the offsets are inconsistent.
[[nodiscard]] std::optional<SlotInfo> slot(std::span<const std::uint8_t> page, const Format& format,
                                           std::size_t index);
// Sets the flag bits of slot `index` (deleted, lookup) to `flags`; its offset stays.
void setSlotFlags(std::span<std::uint8_t> page, const Format& format, std::size_t index,
                  std::uint16_t flags);
// Free bytes as the slot table and rows leave them (docs/file-format.md, Data pages); nothing when
// the page is inconsistent.
[[nodiscard]] std::optional<std::size_t> freeSpace(std::span<const std::uint8_t> page,
                                                   const Format& format);

// Whether addRow would succeed for a row of `length` bytes.
[[nodiscard]] bool hasRoomFor(std::span<const std::uint8_t> page, const Format& format,
                              std::size_t length, bool reuseSlots = false);
// Whether replaceRow would succeed for row `index` and a row of `length` bytes.
[[nodiscard]] bool canReplaceRow(std::span<const std::uint8_t> page, const Format& format,
                                 std::size_t index, std::size_t length);
// Whether the page belongs in its owner's free-space map: it has a slot
// left and room for a row of useful size.
[[nodiscard]] bool offersRoom(std::span<const std::uint8_t> page, const Format& format,
                              bool reuseSlots = false);

// An empty data page owned by `owner` (a TDEF page, or the LVAL tag).
void initialiseDataPage(std::span<std::uint8_t> page, const Format& format, std::uint32_t owner);

// Adds `row` with a new slot carrying `flags`, or with `reuseSlots` in
// the first removed slot when there is one (only for rows nothing else
// names once removed: long-value rows). Its row number, or nothing when
// the page lacks room or slots.
[[nodiscard]] std::optional<std::uint8_t> addRow(std::span<std::uint8_t> page, const Format& format,
                                                 std::span<const std::uint8_t> row,
                                                 std::uint16_t flags, bool reuseSlots = false);
// Replaces row `index` by `row`, of any length, moving the rows after it;
// the slot keeps its flags. False (page unchanged) when the page lacks room
// or is inconsistent.
[[nodiscard]] bool replaceRow(std::span<std::uint8_t> page, const Format& format, std::size_t index,
                              std::span<const std::uint8_t> row);
// Removes row `index` as Access does: the slot stays, with both the deleted
// and the lookup bits (which every reader skips), and the row's bytes are
// squeezed out, their room returned to the page. False (page unchanged)
// when the page is inconsistent.
[[nodiscard]] bool removeRow(std::span<std::uint8_t> page, const Format& format, std::size_t index);

}  // namespace engine::page_edit
