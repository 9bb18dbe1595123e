#pragma once

#include "engine/base/internal.h"

// Decoding of stored text (docs/file-format.md, Text): Jet 3 code-page bytes and Jet 4+ UTF-16LE
// with optional "unicode compression".

#include <cstdint>
#include <span>
#include <string>

namespace engine {

// Code page 1252 to UTF-16. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the same-numbered C1 controls, as
// Windows does.
std::u16string decodeCodePage1252(std::span<const std::uint8_t> bytes);

// Jet 4+ text: compressed when it starts with FF FE, else plain UTF-16LE (an
// odd trailing byte is dropped).
std::u16string decodeJet4Text(std::span<const std::uint8_t> bytes);

// The compressed form without its FF FE marker: starts in one-byte mode; a 00
// byte toggles between one-byte and two-byte code units.
std::u16string decompressUnicode(std::span<const std::uint8_t> bytes);

}  // namespace engine
