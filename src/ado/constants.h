#pragma once

// The ADO constants the program uses, with their ADO values.

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

// Field type codes (DataTypeEnum).
inline constexpr int adSmallInt = 2;
inline constexpr int adInteger = 3;
inline constexpr int adSingle = 4;
inline constexpr int adDouble = 5;
inline constexpr int adCurrency = 6;
inline constexpr int adDate = 7;
inline constexpr int adBoolean = 11;
inline constexpr int adUnsignedTinyInt = 17;
inline constexpr int adBigInt = 20;
inline constexpr int adGUID = 72;
inline constexpr int adBinary = 128;
inline constexpr int adWChar = 130;
inline constexpr int adNumeric = 131;
inline constexpr int adDBTimeStamp = 135;
inline constexpr int adVarWChar = 202;
inline constexpr int adLongVarWChar = 203;
inline constexpr int adVarBinary = 204;
inline constexpr int adLongVarBinary = 205;

}  // namespace ado
