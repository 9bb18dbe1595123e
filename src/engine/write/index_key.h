#pragma once

#include "engine/base/internal.h"

// Index keys (docs/file-format.md, Index keys, Text index keys): per indexed column a flag byte
// (0x7F a value, 0x00 a null; 0x80 and 0xFF descending) and the value's
// sortable bytes. One model for the database creator and the updater.
// GUID, binary and Date/Time Extended values are keyed as runs of 8-byte
// segments, each followed by a length byte; decimals as their sign and
// big-endian magnitude.

#include <optional>
#include <span>
#include <string_view>

#include "engine/format/byte_order.h"
#include "engine/jet_type.h"
#include "engine/text/text_key.h"

namespace engine {

// What a key needs to know of an indexed column.
struct KeyColumn {
  JetType type{};
  bool ascending = true;
  std::optional<TextSortOrder> sortOrder;  // text and memo; nothing when not known
  // Decimal: Jet 3 and Jet 4 order negative values by the older rule, which
  // sorts them by magnitude ascending; ACE files order them numerically.
  bool legacyDecimalOrder = false;
};

// Whether keys of this type can be computed: Yes/No, the integer, floating
// point, currency, date, text and memo types, GUID, binary, decimal and
// Date/Time Extended.
[[nodiscard]] bool indexableType(JetType type);

// Appends the key part of one column to `key`. `stored` holds a non-text
// value's bytes as the row stores them (little-endian numbers, a GUID's
// mixed-order bytes, a binary value whole), `text` a text or memo value; for
// Yes/No `present` is the value itself. Returns false when the value has no
// known key (a type or sort order whose keys are not known).
[[nodiscard]] bool appendColumnKey(Bytes& key, const KeyColumn& column, bool present,
                                   std::span<const std::uint8_t> stored, std::u16string_view text);

}  // namespace engine
