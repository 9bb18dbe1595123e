#pragma once

#include "engine/base/internal.h"

// Stored text (docs/file-format.md, Text): Jet 3 code-page bytes, Jet 4+ UTF-16LE with optional
// "unicode compression" behind a two-byte marker.

#include <cstddef>
#include <cstdint>

namespace engine::layout::text {

// A compressed value starts with these bytes.
inline constexpr std::uint8_t kCompressedMarker[2] = {0xFF, 0xFE};
// A 00 byte in a compressed value toggles one-byte / two-byte code units.
inline constexpr std::uint8_t kModeToggle = 0x00;
// Writers compress only values with more than this many characters ...
inline constexpr std::size_t kMinCompressedCharacters = 3;
// ... and at most this many.
inline constexpr std::size_t kMaxCompressedCharacters = 1024;
// A Text column holds at most this many characters.
inline constexpr std::size_t kMaxTextCharacters = 255;

}  // namespace engine::layout::text
