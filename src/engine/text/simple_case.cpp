#include "engine/simple_case.h"

namespace engine {

char16_t simpleLower(char16_t c) {
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

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (simpleLower(a[i]) != simpleLower(b[i])) return false;
  return true;
}

int compareNames(std::u16string_view a, std::u16string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = simpleLower(a[i]), y = simpleLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace engine
