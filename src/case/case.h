#pragma once

// The case conversions and the rule by which the case list's text picks
// one. Text is UTF-16; every mapping works one code unit at a time, so a value
// never changes length.

#include <optional>
#include <string>
#include <string_view>

#include "case/name_case.h"

namespace Case {

enum class CaseMode { Upper, Lower, Proper, Sentence, Names };

// Lower-cases the text and looks for "upper", "lower", "proper",
// "sentence" and "name" in that order; the first keyword found decides.
// None found: no mode.
[[nodiscard]] std::optional<CaseMode> SelectCaseMode(std::u16string_view caseListText);

// Unicode's simple one-to-one case mapping of each code unit. Surrogates and
// letters whose mapping would leave the Basic Multilingual Plane pass through.
char16_t UpperCaseUnit(char16_t unit);
char16_t LowerCaseUnit(char16_t unit);

std::u16string UpperCase(std::u16string_view text);
std::u16string LowerCase(std::u16string_view text);

// The first character and every character directly after a space, tab or
// carriage return upper-cased; all others lower-cased. Any length.
std::u16string ProperCase(std::u16string_view text);

// The first character upper-cased, the rest lower-cased.
std::u16string SentenceCase(std::u16string_view text);

// Name Case keeps the words of `nameExceptions` as written there.
std::u16string Convert(CaseMode mode, std::u16string_view text,
                       const NameExceptions& nameExceptions = {});

}  // namespace Case
