#pragma once

#include "engine/base/internal.h"

// Layout of index pages (docs/file-format.md, Index pages) and of the index blocks in a table
// definition (docs/file-format.md, Table definition).

#include <cstddef>
#include <cstdint>

namespace engine::layout::index {

// Index page header (free space and owner sit as on data pages).
inline constexpr std::size_t kPrevPageJet3 = 8, kPrevPageJet4 = 12;
inline constexpr std::size_t kNextPageJet3 = 12, kNextPageJet4 = 16;
inline constexpr std::size_t kTailPageJet3 = 16, kTailPageJet4 = 20;
inline constexpr std::size_t kPrefixLengthJet3 = 20, kPrefixLengthJet4 = 24;
inline constexpr std::size_t kEntryMaskJet3 = 22, kEntryMaskJet4 = 27;
inline constexpr std::size_t kEntriesJet3 = 0xF8, kEntriesJet4 = 0x1E0;

// Real-index block ("index data") in a TDEF; Jet 4+ blocks start with this constant.
inline constexpr std::uint32_t kRealIndexMagic = 1923;
inline constexpr std::size_t kRealIndexSizeJet3 = 39, kRealIndexSizeJet4 = 52;
inline constexpr std::size_t kRealIndexColumnsJet3 = 0, kRealIndexColumnsJet4 = 4;
inline constexpr std::size_t kRealIndexColumnSlots = 10;
inline constexpr std::size_t kRealIndexColumnSlotSize = 3;  // u16 column number, u8 flags
inline constexpr std::uint16_t kUnusedColumnSlot = 0xFFFF;
inline constexpr std::uint8_t kColumnAscending = 0x01;
inline constexpr std::size_t kRealIndexUsageMapJet3 = 30, kRealIndexUsageMapJet4 = 34;
inline constexpr std::size_t kRealIndexRootJet3 = 34, kRealIndexRootJet4 = 38;
inline constexpr std::size_t kRealIndexFlagsJet3 = 38, kRealIndexFlagsJet4 = 46;
inline constexpr std::uint8_t kIndexUnique = 0x01;
inline constexpr std::uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr std::uint8_t kIndexRequired = 0x08;
inline constexpr std::uint8_t kIndexJet4Marker = 0x80;  // set on every Jet 4+ index

// Logical-index block: Jet 4+ adds 4 unknown bytes before the fields.
inline constexpr std::size_t kLogicalIndexSizeJet3 = 20, kLogicalIndexSizeJet4 = 28;
inline constexpr std::size_t kLogicalFieldsJet3 = 0, kLogicalFieldsJet4 = 4;
// Offsets relative to the fields.
inline constexpr std::size_t kLogicalNumber = 0;
inline constexpr std::size_t kLogicalRealIndex = 4;
inline constexpr std::size_t kLogicalRelatedTableType = 8;
inline constexpr std::size_t kLogicalRelatedIndex = 9;
inline constexpr std::size_t kLogicalRelatedTable = 13;
inline constexpr std::size_t kLogicalCascadeUpdates = 17;
inline constexpr std::size_t kLogicalCascadeDeletes = 18;
inline constexpr std::size_t kLogicalKind = 19;
inline constexpr std::uint32_t kNoRelatedIndex = 0xFFFFFFFF;
// The cascade bytes: bit 0x01 cascades; Access writes 0x04 when nothing
// cascades (its meaning is unknown).
inline constexpr std::uint8_t kCascade = 0x01;
inline constexpr std::uint8_t kNoCascade = 0x04;
inline constexpr std::uint8_t kLogicalKindOther = 0;
inline constexpr std::uint8_t kLogicalKindPrimary = 1;

}  // namespace engine::layout::index
