#pragma once

#include "engine/base/internal.h"

// Layout of long values (memo, OLE, long calculated results), docs/file-format.md, Long values.

#include <cstddef>
#include <cstdint>

namespace engine::layout::long_value {

// The reference stored in the row.
inline constexpr std::size_t kReferenceSize = 12;
inline constexpr std::size_t kLengthAndFlags = 0;
inline constexpr std::size_t kFirstRow = 4;  // row number byte, then 24-bit page
inline constexpr std::size_t kUnknown = 8;   // preserve
inline constexpr std::uint32_t kInlineFlag = 0x80000000u;
inline constexpr std::uint32_t kSingleRowFlag = 0x40000000u;
inline constexpr std::uint32_t kLengthMask = 0x3FFFFFFFu;

// LVAL pages carry the bytes "LVAL" at the data page's owner field.
inline constexpr std::uint32_t kPageOwner =
    'L' | ('V' << 8) | ('A' << 16) | (std::uint32_t{'L'} << 24);
// An LVAL row is at most the page less its header and this many bytes.
inline constexpr std::size_t kRowSizeMargin = 6;
// In a chain, each LVAL row starts with a link to the next row.
inline constexpr std::size_t kChainLinkSize = 4;
// Largest inline value writers produce.
inline constexpr std::size_t kMaxInline = 64;

// Calculated values: 16 unknown bytes, a 32-bit length, then the data.
inline constexpr std::size_t kCalculatedLength = 16;
inline constexpr std::size_t kCalculatedData = 20;

}  // namespace engine::layout::long_value
