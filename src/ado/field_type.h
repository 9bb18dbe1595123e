#pragma once

// The ADO field type (DataTypeEnum) of a column: the Jet/ACE providers'
// mapping where known. Choices where no provider mapping is known: complex
// columns report their 32-bit id as adInteger (3); Date/Time Extended
// adDBTimeStamp (135), its value carrying 100-ns precision; the unknown type
// 0x0D adVarBinary (204); the internal type 0x11 adLongVarBinary (205).

#include <cstdint>

namespace engine {
struct ColumnDefinition;
}

namespace ado {

int adoTypeOf(std::uint8_t jetType, bool fixedLength);
int FieldTypeOf(const engine::ColumnDefinition& column);

}  // namespace ado
