#pragma once

#include "engine/base/internal.h"

// Index keys of text (docs/file-format.md, Text index keys) in the three General sort orders:
// General of Jet 3, General Legacy (Jet 4 and ACE, sort-order version 0) and
// General (Access 2010 and later, version 1). Every UTF-16 code unit has a
// code in each, from the tables of index_code_tables.cpp.

#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/format/byte_order.h"

namespace engine {

enum class TextSortOrder { General97, GeneralLegacy, General };

// The sort order of a text column: its LCID (1033 for General) and, in Jet 4
// and later files, its sort-order version. Nothing for any other order,
// whose keys are not known.
[[nodiscard]] std::optional<TextSortOrder> textSortOrder(bool jet3, std::uint16_t lcid,
                                                         std::uint8_t version);

// The value part of a text key (what follows the column's flag byte):
// at most 255 code units, trailing spaces left out. Descending keys are
// the inverted bytes, as Access writes them.
Bytes textIndexKey(TextSortOrder order, std::u16string_view text, bool ascending = true);

}  // namespace engine
