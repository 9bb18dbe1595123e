#pragma once

#include "engine/base/internal.h"

// Layout of data pages and the rows on them (docs/file-format.md, Page types, Data pages, Data
// rows).

#include <cstddef>
#include <cstdint>

namespace engine::layout::data_page {

// Page type bytes (byte 0 of every page).
inline constexpr std::uint8_t kTypeData = 0x01;
inline constexpr std::uint8_t kTypeTableDefinition = 0x02;
inline constexpr std::uint8_t kTypeIndexNode = 0x03;
inline constexpr std::uint8_t kTypeIndexLeaf = 0x04;
inline constexpr std::uint8_t kTypeUsageMap = 0x05;

inline constexpr std::size_t kFreeSpace = 2;
inline constexpr std::size_t kOwner = 4;  // TDEF page, or "LVAL"

inline constexpr std::size_t kRowCountJet3 = 8;
inline constexpr std::size_t kRowCountJet4 = 12;
inline constexpr std::size_t kHeaderSizeJet3 = 10;  // slot table starts here
inline constexpr std::size_t kHeaderSizeJet4 = 14;

// Row slot bits.
inline constexpr std::uint16_t kSlotOffsetMask = 0x1FFF;
inline constexpr std::uint16_t kSlotDeleted = 0x8000;
inline constexpr std::uint16_t kSlotLookup = 0x4000;  // slot holds an overflow pointer
// Both bits: a removed row, which every reader skips. The deleted bit alone
// marks the live target of an overflow pointer.
inline constexpr std::uint16_t kSlotRemoved = kSlotDeleted | kSlotLookup;

// Below this much room (or without a slot left) a page leaves its owner's
// free-space map.
inline constexpr std::size_t kUsefulFreeSpace = 64;

// The largest row a writer puts on a Jet 4+ page (docs/file-format.md, Growing rows).
inline constexpr std::size_t kMaxRowSizeJet4 = 4060;

// At most this many slots fit on a page (row numbers are one byte).
inline constexpr std::size_t kMaxSlots = 255;

}  // namespace engine::layout::data_page
