#pragma once

// Text as Jet 4 / ACE store it (§7): UTF-16LE, or "compressed" (one byte per
// character behind the FF FE marker) when the column allows it and the value
// qualifies.

#include <string>
#include <string_view>

#include "engine/create_bytes.h"

namespace engine::create {

// Whether `text` may be stored compressed: more than 2 and at most 1024
// characters, every one in U+0001..U+00FF.
bool compressible(std::u16string_view text);

// The stored bytes of `text`; compressed when `compressionAllowed` and the
// value qualifies.
Bytes encodeText(std::u16string_view text, bool compressionAllowed);

// Plain UTF-16LE bytes, as names are stored in table definitions.
Bytes utf16Bytes(std::u16string_view text);

// UTF-8 form of `text` for messages.
std::string toUtf8(std::u16string_view text);

}  // namespace engine::create
