#pragma once

// Text as a column stores it (guide §7), for writing: Jet 3 in code page
// 1252, Jet 4+ as UTF-16LE, compressed when the column allows it and the
// value qualifies.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/table_definition.h"

namespace engine {

// The code page 1252 byte of `c`, or nothing when the code page lacks it.
std::optional<std::uint8_t> codePage1252Byte(char16_t c);

struct EncodedText {
  std::vector<std::uint8_t> bytes;
  // When the text cannot be stored: the first character the code page lacks.
  std::optional<char16_t> unencodable;
};

EncodedText encodeColumnText(const std::u16string& text, const ColumnDefinition& column,
                             const Format& format);

}  // namespace engine
