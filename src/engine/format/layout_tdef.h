#pragma once

#include "engine/base/internal.h"

// Layout of table definitions (TDEF pages), docs/file-format.md, Table definition. Offsets are
// within the definition buffer: the first page whole, then bytes 8.. of each further page of the
// chain.

#include <cstddef>
#include <cstdint>

namespace engine::layout::tdef {

inline constexpr std::size_t kNextPage = 4;
inline constexpr std::size_t kContinuationHeader = 8;  // skipped on later pages

struct Offsets {
  std::size_t definitionLength;
  std::size_t rowCount;
  std::size_t autoNumber;
  std::size_t tableType;
  std::size_t maxColumns;
  std::size_t variableColumns;
  std::size_t columns;
  std::size_t logicalIndexes;
  std::size_t realIndexes;
  std::size_t ownedPagesMap;
  std::size_t freePagesMap;
  std::size_t variablePart;
  std::size_t realIndexCounterSize;
};

inline constexpr Offsets kJet3{8, 12, 16, 20, 21, 23, 25, 27, 31, 35, 39, 43, 8};
inline constexpr Offsets kJet4{8, 16, 20, 40, 41, 43, 45, 47, 51, 55, 59, 63, 12};
// In a real-index counter: the index's count of distinct entries.
inline constexpr std::size_t kRealIndexDistinct = 4;

// MSysObjects, the catalogue, is always defined on this page (docs/file-format.md, Catalogue).
inline constexpr std::uint32_t kCataloguePage = 2;

// Jet 4+ header fields outside the shared offsets: the constant writers put
// at 12 (it recurs in column and logical-index blocks), and the flag at 24
// that makes auto-numbering work.
inline constexpr std::size_t kMagicJet4 = 12;
inline constexpr std::uint32_t kMagic = 1625;
inline constexpr std::size_t kAutoNumberFlagJet4 = 24;

inline constexpr std::uint8_t kTableTypeUser = 0x4E;
inline constexpr std::uint8_t kTableTypeSystem = 0x53;

// Column descriptor (one per column).
struct ColumnOffsets {
  std::size_t size;
  std::size_t type;
  std::size_t number;
  std::size_t variableIndex;
  std::size_t sortOrder;
  std::size_t codePage;     // Jet 3 only (npos otherwise)
  std::size_t sortVersion;  // Jet 4+ only
  std::size_t precision;
  std::size_t scale;
  std::size_t complexId;  // Jet 4+ only
  std::size_t flags;
  std::size_t extendedFlags;  // Jet 4+ only
  std::size_t fixedOffset;
  std::size_t length;
};
inline constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);
inline constexpr ColumnOffsets kColumnJet3{18, 0,  1,       3,  9,       11, kAbsent,
                                           11, 12, kAbsent, 13, kAbsent, 14, 16};
inline constexpr ColumnOffsets kColumnJet4{25, 0,  5,  7,  11, kAbsent, 14,
                                           11, 12, 11, 15, 16, 21,      23};
// Jet 4+ descriptor fields no reader needs: the recurring constant, and the
// column number repeated.
inline constexpr std::size_t kColumnMagicJet4 = 1;
inline constexpr std::size_t kColumnNumberAgainJet4 = 9;

// Column flags.
inline constexpr std::uint8_t kColumnFixed = 0x01;
inline constexpr std::uint8_t kColumnUpdatable = 0x02;
inline constexpr std::uint8_t kColumnAutoNumber = 0x04;
// Set on every column of a system table; the updater reads it as a sign of replication.
inline constexpr std::uint8_t kColumnReplication = 0x10;
inline constexpr std::uint8_t kColumnAutoGuid = 0x40;
inline constexpr std::uint8_t kColumnHyperlink = 0x80;
// Extended flags (Jet 4+).
inline constexpr std::uint8_t kColumnCompressedUnicode = 0x01;
inline constexpr std::uint8_t kColumnCalculated = 0xC0;

// Long-value column maps: column number, owned-pages and free-pages map
// pointers; the list ends with column number 0xFFFF.
inline constexpr std::size_t kLongValueMapsSize = 10;
inline constexpr std::uint16_t kLongValueMapsEnd = 0xFFFF;

}  // namespace engine::layout::tdef
