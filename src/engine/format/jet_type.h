#pragma once

// Jet column type codes (guide §5) and the ADO type each one reports.

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

// ADO DataTypeEnum values used by the engine.
namespace ado_type {
inline constexpr int kSmallInt = 2;
inline constexpr int kInteger = 3;
inline constexpr int kSingle = 4;
inline constexpr int kDouble = 5;
inline constexpr int kCurrency = 6;
inline constexpr int kDate = 7;
inline constexpr int kBoolean = 11;
inline constexpr int kUnsignedTinyInt = 17;
inline constexpr int kBigInt = 20;
inline constexpr int kGuid = 72;
inline constexpr int kBinary = 128;
inline constexpr int kWChar = 130;
inline constexpr int kNumeric = 131;
inline constexpr int kDBTimeStamp = 135;
inline constexpr int kVarWChar = 202;
inline constexpr int kLongVarWChar = 203;
inline constexpr int kVarBinary = 204;
inline constexpr int kLongVarBinary = 205;
}  // namespace ado_type

// The ADO type of a column: the Jet/ACE providers' mapping where known.
// Choices where no provider mapping is known: complex columns report their
// 32-bit id as adInteger (3); Date/Time Extended adDBTimeStamp (135), its
// value carrying 100-ns precision; the unknown type 0x0D adVarBinary (204);
// the internal type 0x11 adLongVarBinary (205).
int adoTypeOf(std::uint8_t jetType, bool fixedLength);

// The type's name as the corpus files spell it ("Text", "Long", ...).
std::string_view jetTypeName(std::uint8_t jetType);

// Bytes a fixed-length value of this type occupies (0 for variable types).
// Yes/No occupies none: it lives in the row's null mask.
std::size_t fixedSizeOf(std::uint8_t jetType);
inline std::size_t fixedSizeOf(JetType type) {
  return fixedSizeOf(static_cast<std::uint8_t>(type));
}

}  // namespace engine
