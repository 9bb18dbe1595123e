#pragma once

// Case-insensitive comparison of object names the way the engine needs it:
// each UTF-16 code unit mapped to its simple lower-case form.

#include <string_view>

namespace engine {

// Simple lower-case mapping of one code unit (Latin, Greek, Cyrillic and the
// other one-to-one BMP pairs the engine meets in names); others unchanged.
// Inline: keys of whole memos are made one code unit at a time.
inline char16_t simpleLower(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  // Latin Extended-A: mostly even upper / odd lower pairs.
  if (c >= 0x0100 && c <= 0x017F) {
    if (c == 0x0130) return u'i';
    if (c == 0x0178) return 0x00FF;
    if ((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E))
      return (c % 2 == 1) ? static_cast<char16_t>(c + 1) : c;
    if (c == 0x0131 || c == 0x0138 || c == 0x0149 || c == 0x017F) return c;
    return (c % 2 == 0) ? static_cast<char16_t>(c + 1) : c;
  }
  if (c >= 0x0391 && c <= 0x03AB && c != 0x03A2) return static_cast<char16_t>(c + 32);
  if (c == 0x0386) return 0x03AC;
  if (c >= 0x0388 && c <= 0x038A) return static_cast<char16_t>(c + 37);
  if (c == 0x038C) return 0x03CC;
  if (c == 0x038E || c == 0x038F) return static_cast<char16_t>(c + 63);
  if (c >= 0x0410 && c <= 0x042F) return static_cast<char16_t>(c + 32);
  if (c >= 0x0400 && c <= 0x040F) return static_cast<char16_t>(c + 80);
  if (c >= 0x0460 && c <= 0x04BF && c % 2 == 0 && !(c >= 0x0482 && c <= 0x0489))
    return static_cast<char16_t>(c + 1);
  if (c >= 0x04D0 && c <= 0x04FF && c % 2 == 0) return static_cast<char16_t>(c + 1);
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 32);
  return c;
}

[[nodiscard]] bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);

// Orders names code unit by code unit after simpleLower; names equal that
// way are ordered by their raw code units. Returns <0, 0, >0.
int compareNames(std::u16string_view a, std::u16string_view b);

}  // namespace engine
