#pragma once

#include "engine/base/internal.h"

// Text as a column stores it (docs/file-format.md, Text), for writing: Jet 3 in code page 1252, Jet
// 4+ as UTF-16LE, compressed when the column allows it and the value qualifies.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format.h"
#include "engine/format/byte_order.h"

namespace engine {

// The code page 1252 byte of `c`, or nothing when the code page lacks it.
[[nodiscard]] std::optional<std::uint8_t> codePage1252Byte(char16_t c);

// Whether Jet 4+ `text` may be stored compressed: 3 to 1024 characters, every
// one in U+0001..U+00FF.
[[nodiscard]] bool compressible(std::u16string_view text);

// The stored Jet 4+ bytes of `text`; compressed when `compressionAllowed` and
// the value qualifies, else plain UTF-16LE.
Bytes encodeJet4Text(std::u16string_view text, bool compressionAllowed);

// Plain UTF-16LE bytes, as names are stored in table definitions.
Bytes utf16Bytes(std::u16string_view text);

struct EncodedText {
  std::vector<std::uint8_t> bytes;
  // When the text cannot be stored: the first character the code page lacks.
  std::optional<char16_t> unencodable;
};

// `text` as a column of a `format` file stores it; `compressionAllowed` is
// the column's unicode-compression flag (Jet 4+).
EncodedText encodeColumnText(const std::u16string& text, bool compressionAllowed,
                             const Format& format);

}  // namespace engine
