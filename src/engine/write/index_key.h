#pragma once

// Index keys (docs/file-format.md, Index keys, Text index keys): per indexed column a flag byte
// (0x7F a value, 0x00 a null; 0x80 and 0xFF descending) and the value's
// sortable bytes. One model for the database creator and the updater.

#include <optional>
#include <span>
#include <string_view>

#include "engine/format/byte_order.h"
#include "engine/format/jet_type.h"
#include "engine/text/text_key.h"

namespace engine {

// What a key needs to know of an indexed column.
struct KeyColumn {
  JetType type{};
  bool ascending = true;
  std::optional<TextSortOrder> sortOrder;  // text and memo; nothing when not known
};

// Whether keys of this type can be computed: Yes/No, the integer, floating
// point, currency, date, text and memo types.
bool indexableType(JetType type);

// Appends the key part of one column to `key`. `fixed` holds a fixed-size
// value's stored (little-endian) bytes, `text` a text or memo value; for
// Yes/No `present` is the value itself. Returns false when the value has no
// known key (a type or sort order whose keys are not known).
bool appendColumnKey(Bytes& key, const KeyColumn& column, bool present,
                     std::span<const std::uint8_t> fixed, std::u16string_view text);

}  // namespace engine
