#include "engine/simple_case.h"

namespace engine {

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
