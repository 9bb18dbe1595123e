#pragma once

#include "engine/base/internal.h"

// Turning the stored bytes of one value into an Value (docs/file-format.md, Column types, Text).

#include <cstdint>
#include <span>

#include "engine/format.h"
#include "engine/format/bounded_bytes.h"
#include "engine/table_definition.h"
#include "engine/value.h"

namespace engine {

// Decodes a value of a type that is not a long value (text, binary and all
// fixed-size types). `bytes` holds exactly the stored value. Fixed-size
// types need at least their size; Yes/No is not decoded here (it lives in
// the null mask).
Value decodeScalar(std::uint8_t jetType, const ColumnDefinition& column, const BoundedBytes& bytes,
                   const Format& format);

// Text as stored in the format (Jet 3: code page 1252; Jet 4+: UTF-16LE,
// maybe compressed).
engine::Text decodeText(std::span<const std::uint8_t> bytes, const Format& format);

// Date/Time Extended: "ddddddddddddddddddd:sssssssssssfffffff:7\0". Returns
// false when the text is not in that form.
[[nodiscard]] bool parseDateTimeExtended(std::span<const std::uint8_t> bytes,
                                         engine::DateTimeExtended& out);
// The same form written, with its NUL: 42 bytes.
engine::Bytes encodeDateTimeExtended(const engine::DateTimeExtended& value);

}  // namespace engine
