#pragma once

#include "engine/base/internal.h"

// Layout of usage maps (docs/file-format.md, Usage maps). A map lives in a row of a data
// page, addressed by a 4-byte pointer: row number, then a 24-bit page number.

#include <cstddef>
#include <cstdint>

namespace engine::layout::usage_map {

inline constexpr std::uint8_t kInline = 0x00;
inline constexpr std::uint8_t kReference = 0x01;

// Inline map: byte 0 kind, bytes 1-4 first page covered, then the bitmap.
inline constexpr std::size_t kInlineStart = 1;
inline constexpr std::size_t kInlineBitmap = 5;
// Jet 4+ table maps: 5 + 64 bytes, covering 512 pages from their start.
inline constexpr std::size_t kInlineBitmapSizeJet4 = 64;
inline constexpr std::size_t kMapRowSizeJet4 = kInlineBitmap + kInlineBitmapSizeJet4;
// Reference map: byte 0 kind, then 4-byte page numbers of bitmap pages.
inline constexpr std::size_t kReferenceEntries = 1;
inline constexpr std::size_t kReferenceEntrySize = 4;
inline constexpr std::size_t kReferenceEntryCountJet4 =
    (kMapRowSizeJet4 - kReferenceEntries) / kReferenceEntrySize;
// A bitmap page (type 0x05) has 4 header bytes before its bitmap.
inline constexpr std::size_t kBitmapPageHeader = 4;
// The pages one bitmap page covers.
constexpr std::uint64_t pagesPerBitmapPage(std::uint64_t pageSize) {
  return (pageSize - kBitmapPageHeader) * 8;
}
// The global map (bit set = page free) is row 0 of this page.
inline constexpr std::uint32_t kGlobalMapPage = 1;
// Reference entries at or above this are "no map page".
inline constexpr std::uint32_t kInvalidPageThreshold = 0x80000000u;

}  // namespace engine::layout::usage_map
