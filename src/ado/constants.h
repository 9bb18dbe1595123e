#pragma once

// The ADO constants the program uses, with their ADO values.

#include "engine/format/jet_type.h"

namespace ado {

inline constexpr int adModeUnknown = 0;
inline constexpr int adModeRead = 1;
inline constexpr int adModeReadWrite = 3;

inline constexpr int adOpenForwardOnly = 0;
inline constexpr int adOpenStatic = 3;

inline constexpr int adLockReadOnly = 1;
inline constexpr int adLockOptimistic = 3;

inline constexpr int adUseServer = 2;
inline constexpr int adUseClient = 3;

inline constexpr int adSchemaTables = 20;

// Field type codes (DataTypeEnum), as the engine reports them.
inline constexpr int adSmallInt = engine::ado_type::kSmallInt;
inline constexpr int adInteger = engine::ado_type::kInteger;
inline constexpr int adSingle = engine::ado_type::kSingle;
inline constexpr int adDouble = engine::ado_type::kDouble;
inline constexpr int adCurrency = engine::ado_type::kCurrency;
inline constexpr int adDate = engine::ado_type::kDate;
inline constexpr int adBoolean = engine::ado_type::kBoolean;
inline constexpr int adUnsignedTinyInt = engine::ado_type::kUnsignedTinyInt;
inline constexpr int adBigInt = engine::ado_type::kBigInt;
inline constexpr int adGUID = engine::ado_type::kGuid;
inline constexpr int adNumeric = engine::ado_type::kNumeric;
inline constexpr int adVarWChar = engine::ado_type::kVarWChar;
inline constexpr int adLongVarWChar = engine::ado_type::kLongVarWChar;
inline constexpr int adVarBinary = engine::ado_type::kVarBinary;
inline constexpr int adLongVarBinary = engine::ado_type::kLongVarBinary;

}  // namespace ado
