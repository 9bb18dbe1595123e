#include "case/case.h"

#include <QChar>
#include <array>

namespace Case {
namespace {

bool isSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// The keywords in the order they are tried.
constexpr std::array<std::pair<std::u16string_view, CaseMode>, 5> kKeywords{{
    {u"upper", CaseMode::Upper},
    {u"lower", CaseMode::Lower},
    {u"proper", CaseMode::Proper},
    {u"sentence", CaseMode::Sentence},
    {u"name", CaseMode::Names},
}};

bool isWordSeparator(char16_t unit) { return unit == u' ' || unit == u'\t' || unit == u'\r'; }

// Qt leaves out the simple mappings of letters whose full mapping is longer
// than one unit; these are the ones Unicode gives a one-to-one mapping for.
char16_t simpleUpperException(char16_t unit) {
  if ((unit >= 0x1F80 && unit <= 0x1F87) || (unit >= 0x1F90 && unit <= 0x1F97) ||
      (unit >= 0x1FA0 && unit <= 0x1FA7))
    return unit + 8;  // Greek letters with ypogegrammeni take prosgegrammeni
  if (unit == 0x1FB3 || unit == 0x1FC3 || unit == 0x1FF3) return unit + 9;
  return unit;
}

char16_t simpleLowerException(char16_t unit) {
  return unit == 0x0130 ? u'i' : unit;  // capital I with dot above
}

}  // namespace

char16_t UpperCaseUnit(char16_t unit) {
  if (unit < 0x80) return (unit >= u'a' && unit <= u'z') ? char16_t(unit - 32) : unit;
  if (isSurrogate(unit)) return unit;
  const char32_t mapped = QChar::toUpper(char32_t(unit));
  if (mapped == unit) return simpleUpperException(unit);
  return mapped <= 0xFFFF ? char16_t(mapped) : unit;
}

char16_t LowerCaseUnit(char16_t unit) {
  if (unit < 0x80) return (unit >= u'A' && unit <= u'Z') ? char16_t(unit + 32) : unit;
  if (isSurrogate(unit)) return unit;
  const char32_t mapped = QChar::toLower(char32_t(unit));
  if (mapped == unit) return simpleLowerException(unit);
  return mapped <= 0xFFFF ? char16_t(mapped) : unit;
}

std::u16string UpperCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& unit : out) unit = UpperCaseUnit(unit);
  return out;
}

std::u16string LowerCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& unit : out) unit = LowerCaseUnit(unit);
  return out;
}

std::optional<CaseMode> SelectCaseMode(std::u16string_view caseListText) {
  const std::u16string lowered = LowerCase(caseListText);
  for (const auto& [keyword, mode] : kKeywords)
    if (lowered.find(keyword) != std::u16string::npos) return mode;
  return std::nullopt;
}

std::u16string ProperCase(std::u16string_view text) {
  std::u16string out(text.size(), u'\0');
  bool capitaliseNext = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    out[i] = capitaliseNext ? UpperCaseUnit(LowerCaseUnit(unit)) : LowerCaseUnit(unit);
    capitaliseNext = isWordSeparator(unit);
  }
  return out;
}

std::u16string SentenceCase(std::u16string_view text) {
  if (text.empty()) return {};
  std::u16string out = LowerCase(text);
  out[0] = UpperCaseUnit(text[0]);
  return out;
}

std::u16string Convert(CaseMode mode, std::u16string_view text,
                       const NameExceptions& nameExceptions) {
  switch (mode) {
    case CaseMode::Upper:
      return UpperCase(text);
    case CaseMode::Lower:
      return LowerCase(text);
    case CaseMode::Proper:
      return ProperCase(text);
    case CaseMode::Sentence:
      return SentenceCase(text);
    case CaseMode::Names:
      return NameCase(text, nameExceptions);
  }
  return std::u16string(text);
}

}  // namespace Case
