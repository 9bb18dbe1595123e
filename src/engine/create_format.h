#pragma once

// Offsets, sizes and codes of the Jet 4 / ACE on-disk structures the database
// creator writes, named as the format guide names them (access-format.md).

#include <cstddef>
#include <cstdint>

namespace engine::create {

inline constexpr std::size_t kPageSize = 4096;

// Page types (byte 0 of a page).
inline constexpr std::uint8_t kPageTypeData = 0x01;
inline constexpr std::uint8_t kPageTypeTableDefinition = 0x02;
inline constexpr std::uint8_t kPageTypeIndexNode = 0x03;
inline constexpr std::uint8_t kPageTypeIndexLeaf = 0x04;
inline constexpr std::uint8_t kPageTypeUsageBitmap = 0x05;

// Header page (page 0).
inline constexpr std::size_t kHeaderEngineNameOffset = 0x04;
inline constexpr std::size_t kHeaderVersionOffset = 0x14;
inline constexpr std::size_t kHeaderObfuscatedOffset = 0x18;
inline constexpr std::size_t kHeaderObfuscatedSize = 128;
inline constexpr std::size_t kHeaderCodePageOffset = 0x3C;
inline constexpr std::size_t kHeaderEncodingKeyOffset = 0x3E;
inline constexpr std::size_t kHeaderPasswordOffset = 0x42;
inline constexpr std::size_t kHeaderPasswordSize = 40;
inline constexpr std::size_t kHeaderSortOrderOffset = 0x6E;
inline constexpr std::size_t kHeaderSortOrderVersionOffset = 0x71;
inline constexpr std::size_t kHeaderCreationDateOffset = 0x72;
inline constexpr std::uint8_t kVersionJet4 = 0x01;
inline constexpr std::uint8_t kVersionAce12 = 0x02;
inline constexpr std::uint16_t kCodePage1252 = 1252;
inline constexpr std::uint16_t kSortOrderGeneral = 1033;
inline constexpr std::size_t kMaxPasswordLength = 20;

// Data pages (§2.2) and row slots (§6.1).
inline constexpr std::size_t kDataPageFreeSpaceOffset = 2;
inline constexpr std::size_t kDataPageOwnerOffset = 4;
inline constexpr std::size_t kDataPageRowCountOffset = 12;
inline constexpr std::size_t kDataPageHeaderSize = 14;
inline constexpr std::size_t kMaxRowsPerPage = 255;
inline constexpr std::uint32_t kLongValuePageTag = 0x4C41564C;  // "LVAL"
// The largest row the creator puts on a data page (§9.3).
inline constexpr std::size_t kMaxRowSize = 4060;

// Usage maps (§2.3).
inline constexpr std::uint8_t kUsageMapInline = 0x00;
inline constexpr std::uint8_t kUsageMapReference = 0x01;
inline constexpr std::size_t kInlineMapBitmapSize = 64;
inline constexpr std::size_t kUsageMapRowSize = 5 + kInlineMapBitmapSize;
inline constexpr std::size_t kReferenceMapEntries = (kUsageMapRowSize - 1) / 4;
inline constexpr std::size_t kUsageBitmapPageHeaderSize = 4;
inline constexpr std::size_t kPagesPerBitmapPage = (kPageSize - kUsageBitmapPageHeaderSize) * 8;
// Page 1 holds the global map (row 0, bit set = page free) and an empty map.
inline constexpr std::uint32_t kGlobalMapPage = 1;

// Table definition (§4).
inline constexpr std::uint32_t kCatalogTableDefinitionPage = 2;
inline constexpr std::size_t kTdefNextPageOffset = 4;
inline constexpr std::size_t kTdefPageHeaderSize = 8;
inline constexpr std::size_t kTdefLengthOffset = 8;
inline constexpr std::size_t kTdefMagicOffset = 12;
inline constexpr std::size_t kTdefRowCountOffset = 16;
inline constexpr std::size_t kTdefAutoNumberFlagOffset = 24;
inline constexpr std::size_t kTdefTableTypeOffset = 40;
inline constexpr std::size_t kTdefMaxColumnsOffset = 41;
inline constexpr std::size_t kTdefVariableColumnsOffset = 43;
inline constexpr std::size_t kTdefColumnCountOffset = 45;
inline constexpr std::size_t kTdefLogicalIndexCountOffset = 47;
inline constexpr std::size_t kTdefRealIndexCountOffset = 51;
inline constexpr std::size_t kTdefUsageMapOffset = 55;
inline constexpr std::size_t kTdefFreeSpaceMapOffset = 59;
inline constexpr std::size_t kTdefVariablePartOffset = 63;
inline constexpr std::uint8_t kTableTypeUser = 0x4E;
inline constexpr std::uint8_t kTableTypeSystem = 0x53;
// The constant Access writes in TDEF headers and column / logical-index blocks.
inline constexpr std::uint32_t kTdefMagic = 1625;
inline constexpr std::uint32_t kRealIndexMagic = 1923;
inline constexpr std::size_t kRealIndexCounterSize = 12;
inline constexpr std::size_t kColumnDescriptorSize = 25;
inline constexpr std::size_t kRealIndexBlockSize = 52;
inline constexpr std::size_t kLogicalIndexBlockSize = 28;
inline constexpr std::size_t kIndexColumnSlots = 10;

// Column descriptor flags (§4.3).
inline constexpr std::uint8_t kColumnFixed = 0x01;
inline constexpr std::uint8_t kColumnUpdatable = 0x02;
inline constexpr std::uint8_t kColumnSystem = 0x10;
inline constexpr std::uint8_t kColumnExtCompressedUnicode = 0x01;

// Column type codes (§5).
inline constexpr std::uint8_t kTypeBoolean = 0x01;
inline constexpr std::uint8_t kTypeByte = 0x02;
inline constexpr std::uint8_t kTypeInteger = 0x03;
inline constexpr std::uint8_t kTypeLong = 0x04;
inline constexpr std::uint8_t kTypeCurrency = 0x05;
inline constexpr std::uint8_t kTypeSingle = 0x06;
inline constexpr std::uint8_t kTypeDouble = 0x07;
inline constexpr std::uint8_t kTypeDateTime = 0x08;
inline constexpr std::uint8_t kTypeBinary = 0x09;
inline constexpr std::uint8_t kTypeText = 0x0A;
inline constexpr std::uint8_t kTypeOle = 0x0B;
inline constexpr std::uint8_t kTypeMemo = 0x0C;
inline constexpr std::uint8_t kTypeGuid = 0x0F;

// Real-index flags (§4.4) and logical-index kinds (§4.5).
inline constexpr std::uint8_t kIndexUnique = 0x01;
inline constexpr std::uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr std::uint8_t kIndexRequired = 0x08;
inline constexpr std::uint8_t kIndexJet4Marker = 0x80;
inline constexpr std::uint8_t kLogicalIndexPrimary = 1;
inline constexpr std::uint8_t kLogicalIndexOther = 0;

// Long values (§8).
inline constexpr std::uint32_t kLongValueInline = 0x80000000;
inline constexpr std::uint32_t kLongValueSingle = 0x40000000;
inline constexpr std::size_t kLongValueReferenceSize = 12;
inline constexpr std::size_t kLongValueInlineLimit = 64;
inline constexpr std::size_t kMaxLongValueRowSize = kPageSize - kDataPageHeaderSize - 6;
inline constexpr std::size_t kLongValueLinkSize = 4;

// Text (§7).
inline constexpr std::size_t kMaxTextCharacters = 255;
inline constexpr std::size_t kMaxCompressedCharacters = 1024;

// Index pages (§10.1).
inline constexpr std::size_t kIndexFreeSpaceOffset = 2;
inline constexpr std::size_t kIndexOwnerOffset = 4;
inline constexpr std::size_t kIndexPrevPageOffset = 12;
inline constexpr std::size_t kIndexNextPageOffset = 16;
inline constexpr std::size_t kIndexTailPageOffset = 20;
inline constexpr std::size_t kIndexPrefixLengthOffset = 24;
inline constexpr std::size_t kIndexBitmaskOffset = 27;
inline constexpr std::size_t kIndexEntriesOffset = 0x1E0;

}  // namespace engine::create
