#pragma once

// Case-insensitive comparison of object names the way the engine needs it:
// each UTF-16 code unit mapped to its simple lower-case form.

#include <string_view>

namespace engine {

// Simple lower-case mapping of one code unit (Latin, Greek, Cyrillic and the
// other one-to-one BMP pairs the engine meets in names); others unchanged.
char16_t simpleLower(char16_t c);

[[nodiscard]] bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);

// Orders names code unit by code unit after simpleLower; names equal that
// way are ordered by their raw code units. Returns <0, 0, >0.
int compareNames(std::u16string_view a, std::u16string_view b);

}  // namespace engine
