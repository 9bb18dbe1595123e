#pragma once

// Whether a new text value leaves the keys of the text indexes that cover
// its column byte-for-byte unchanged (guide §10.6). Instead of computing
// keys (which needs the sort orders' code tables), this applies the proven
// rule: in the General sort orders (Jet 3 General, General Legacy, General)
// a character and its simple case partner have identical key bytes for the
// letters listed there. Any other difference changes, or may change, a key.
// Where the General Legacy key of both values can be computed (ASCII and
// Latin-1 text), the keys themselves are compared.

#include <optional>
#include <string>
#include <string_view>

#include "engine/format/format.h"
#include "engine/read/table_definition.h"

namespace engine {

// True when swapping `from` for `to` keeps every General key the same:
// they are simple case partners within the proven letter ranges.
bool caseSwapKeepsKey(char16_t from, char16_t to);

// Why changing `oldValue` to `newValue` would change the key of an index on
// `column`, or nothing when every key stays identical. A null old value is
// passed as nothing.
std::optional<std::string> indexKeyChange(const ColumnDefinition& column, const Format& format,
                                          const std::optional<std::u16string>& oldValue,
                                          std::u16string_view newValue);

}  // namespace engine
