#pragma once

// Index keys of text under the "General Legacy" sort order (§10.5), the order
// of Jet 4 and ACE 12 text columns. Only characters whose codes have been
// established from Access-made indexes are known: printable ASCII and the
// Latin-1 letters (plus × and ÷). Text holding any other character has no
// key here, and the caller refuses to index it rather than guess.

#include <optional>
#include <string_view>

#include "engine/format/byte_order.h"

namespace engine::create {

// The value part of the key (after the 0x7F flag byte), or nullopt when the
// text holds a character outside the known set.
std::optional<Bytes> generalLegacyTextKey(std::u16string_view text);

// Whether `c` has a known General Legacy code.
bool hasGeneralLegacyCode(char16_t c);

}  // namespace engine::create
