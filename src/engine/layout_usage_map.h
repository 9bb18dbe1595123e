#pragma once

// Layout of usage maps (format guide §2.3). A map lives in a row of a data
// page, addressed by a 4-byte pointer: row number, then a 24-bit page number.

#include <cstddef>
#include <cstdint>

namespace engine::layout::usage_map {

inline constexpr std::uint8_t kInline = 0x00;
inline constexpr std::uint8_t kReference = 0x01;

// Inline map: byte 0 kind, bytes 1-4 first page covered, then the bitmap.
inline constexpr std::size_t kInlineStart = 1;
inline constexpr std::size_t kInlineBitmap = 5;
// Reference map: byte 0 kind, then 4-byte page numbers of bitmap pages.
inline constexpr std::size_t kReferenceEntries = 1;
// A bitmap page (type 0x05) has 4 header bytes before its bitmap.
inline constexpr std::size_t kBitmapPageHeader = 4;
// Reference entries at or above this are "no map page".
inline constexpr std::uint32_t kInvalidPageThreshold = 0x80000000u;

}  // namespace engine::layout::usage_map
