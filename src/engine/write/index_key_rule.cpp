#include "engine/write/index_key_rule.h"

#include "engine/format/layout_header.h"
#include "engine/text/text_key.h"
#include "engine/text/utf.h"

namespace engine {
namespace {

// Keys use at most this many code units of a value.
constexpr std::size_t kKeyUnits = 255;

// The upper-case partner of `c` when (c, partner) is a proven pair and `c`
// is the lower-case member; else 0.
char16_t provenUpperOf(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  // Latin-1: à..þ except ÷; ÿ pairs with Ÿ.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x0178;
  // Latin Extended-A: pairs except dotless i, long s and the letters
  // without a partner.
  if (c >= 0x0100 && c <= 0x017F) {
    if (c == 0x0131 || c == 0x0130 || c == 0x017F || c == 0x0138 || c == 0x0149) return 0;
    const bool oddLower = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
    if (oddLower) return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : 0;
    if (c == 0x0178) return 0;
    return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : 0;
  }
  // Basic Greek, accented letters and final sigma.
  if (c >= 0x03B1 && c <= 0x03CB && c != 0x03C2) return static_cast<char16_t>(c - 32);
  if (c == 0x03C2) return 0x03A3;
  if (c == 0x03AC) return 0x0386;
  if (c >= 0x03AD && c <= 0x03AF) return static_cast<char16_t>(c - 37);
  if (c == 0x03CC) return 0x038C;
  if (c == 0x03CD || c == 0x03CE) return static_cast<char16_t>(c - 63);
  // Basic Cyrillic.
  if (c >= 0x0430 && c <= 0x044F) return static_cast<char16_t>(c - 32);
  if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 80);
  // Cyrillic extended letters in even/odd pairs, leaving out the historic
  // block and the pairs whose keys differ (Ҷ/ҷ, Ӏ/ӏ).
  if (((c >= 0x048B && c <= 0x04BF) || (c >= 0x04D1 && c <= 0x04FF)) && c % 2 == 1 && c != 0x04B7)
    return static_cast<char16_t>(c - 1);
  if (c >= 0x04C2 && c <= 0x04CE && c % 2 == 0) return static_cast<char16_t>(c - 1);
  return 0;
}

std::string describe(char16_t c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  std::string shown = "'";
  shown += toUtf8(std::u16string_view(&c, 1));
  shown += "' (";
  shown += buffer;
  shown += ")";
  return shown;
}

}  // namespace

bool caseSwapKeepsKey(char16_t from, char16_t to) {
  if (from == to) return true;
  return (provenUpperOf(from) != 0 && provenUpperOf(from) == to) ||
         (provenUpperOf(to) != 0 && provenUpperOf(to) == from);
}

std::optional<std::string> indexKeyChange(const ColumnDefinition& column, const Format& format,
                                          const std::optional<std::u16string>& oldValue,
                                          std::u16string_view newValue) {
  if (column.sortOrder != layout::header::kSortOrderGeneral)
    return "the index uses sort order " + std::to_string(column.sortOrder) +
           ", whose keys this program cannot compute";
  if (!format.isJet3() && column.sortVersion > 1)
    return "the index uses an unknown version (" + std::to_string(column.sortVersion) +
           ") of the General sort order";
  if (!oldValue) return std::string("the value was empty (Null) and its index entry would change");
  std::u16string_view before = *oldValue;
  // General Legacy keys of the characters whose codes are established are
  // computed and compared outright.
  if (!format.isJet3() && column.sortVersion == 0) {
    auto oldKey = create::generalLegacyTextKey(before);
    auto newKey = create::generalLegacyTextKey(newValue);
    if (oldKey && newKey)
      return *oldKey == *newKey
                 ? std::nullopt
                 : std::optional<std::string>("its General Legacy index key would change");
  }
  if (before.size() != newValue.size())
    return std::string("the new value's length differs, so its index key would change");
  const std::size_t units = std::min(before.size(), kKeyUnits);
  for (std::size_t i = 0; i < units; ++i) {
    if (before[i] == newValue[i]) continue;
    // Surrogate pairs and characters outside the proven pairs may key differently.
    if (!caseSwapKeepsKey(before[i], newValue[i]))
      return "changing " + describe(before[i]) + " to " + describe(newValue[i]) +
             " would change its index key";
  }
  return std::nullopt;
}

}  // namespace engine
