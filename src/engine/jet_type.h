#pragma once

// Jet column type codes (docs/file-format.md, Column types).

#include <cstdint>
#include <string_view>

namespace engine {

enum class JetType : std::uint8_t {
  Boolean = 0x01,
  Byte = 0x02,
  Integer = 0x03,
  Long = 0x04,
  Currency = 0x05,
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,
  Binary = 0x09,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
  Unknown0D = 0x0D,
  Guid = 0x0F,
  Decimal = 0x10,
  Internal11 = 0x11,
  Complex = 0x12,
  BigInt = 0x13,
  DateTimeExtended = 0x14,
};

// The type's name as the corpus files spell it ("Text", "Long", ...).
std::string_view jetTypeName(std::uint8_t jetType);

// Bytes a fixed-length value of this type occupies (0 for variable types).
// Yes/No occupies none: it lives in the row's null mask.
std::size_t fixedSizeOf(std::uint8_t jetType);
inline std::size_t fixedSizeOf(JetType type) {
  return fixedSizeOf(static_cast<std::uint8_t>(type));
}

}  // namespace engine
