#include "engine/jet_type.h"

namespace engine {

std::string_view jetTypeName(std::uint8_t jetType) {
  switch (static_cast<JetType>(jetType)) {
    case JetType::Boolean:
      return "Boolean";
    case JetType::Byte:
      return "Byte";
    case JetType::Integer:
      return "Integer";
    case JetType::Long:
      return "Long";
    case JetType::Currency:
      return "Currency";
    case JetType::Single:
      return "Single";
    case JetType::Double:
      return "Double";
    case JetType::DateTime:
      return "DateTime";
    case JetType::Binary:
      return "Binary";
    case JetType::Text:
      return "Text";
    case JetType::Ole:
      return "OLE";
    case JetType::Memo:
      return "Memo";
    case JetType::Unknown0D:
      return "Unknown0D";
    case JetType::Guid:
      return "GUID";
    case JetType::Decimal:
      return "Decimal";
    case JetType::Internal11:
      return "Internal11";
    case JetType::Complex:
      return "Complex";
    case JetType::BigInt:
      return "BigInt";
    case JetType::DateTimeExtended:
      return "DateTimeExtended";
  }
  return "Unknown";
}

std::size_t fixedSizeOf(std::uint8_t jetType) {
  switch (static_cast<JetType>(jetType)) {
    case JetType::Byte:
      return 1;
    case JetType::Integer:
      return 2;
    case JetType::Long:
    case JetType::Single:
    case JetType::Complex:
      return 4;
    case JetType::Currency:
    case JetType::Double:
    case JetType::DateTime:
    case JetType::BigInt:
      return 8;
    case JetType::Guid:
      return 16;
    case JetType::Decimal:
      return 17;
    case JetType::DateTimeExtended:
      return 42;
    default:
      return 0;
  }
}

}  // namespace engine
