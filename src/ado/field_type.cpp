#include "ado/field_type.h"

#include "ado/constants.h"
#include "engine/jet_type.h"
#include "engine/table_definition.h"

namespace ado {

int adoTypeOf(std::uint8_t jetType, bool fixedLength) {
  switch (static_cast<engine::JetType>(jetType)) {
    case engine::JetType::Boolean:
      return adBoolean;
    case engine::JetType::Byte:
      return adUnsignedTinyInt;
    case engine::JetType::Integer:
      return adSmallInt;
    case engine::JetType::Long:
      return adInteger;
    case engine::JetType::Currency:
      return adCurrency;
    case engine::JetType::Single:
      return adSingle;
    case engine::JetType::Double:
      return adDouble;
    case engine::JetType::DateTime:
      return adDate;
    case engine::JetType::Binary:
      return fixedLength ? adBinary : adVarBinary;
    case engine::JetType::Text:
      return fixedLength ? adWChar : adVarWChar;
    case engine::JetType::Ole:
      return adLongVarBinary;
    case engine::JetType::Memo:
      return adLongVarWChar;
    case engine::JetType::Unknown0D:
      return adVarBinary;
    case engine::JetType::Guid:
      return adGUID;
    case engine::JetType::Decimal:
      return adNumeric;
    case engine::JetType::Internal11:
      return adLongVarBinary;
    case engine::JetType::Complex:
      return adInteger;
    case engine::JetType::BigInt:
      return adBigInt;
    case engine::JetType::DateTimeExtended:
      return adDBTimeStamp;
  }
  return adVarBinary;
}

int FieldTypeOf(const engine::ColumnDefinition& column) {
  return adoTypeOf(column.type, column.isFixedLength());
}

}  // namespace ado
