#pragma once

// Name Case: Proper Case made for people's names. Mc and Mac names, O' and
// D' names, every part of a hyphenated name, particles in lower case after
// the first word, Roman numerals and initials in capitals, and a list of
// words kept exactly as the user wrote them. Like the other conversions it
// maps one code unit at a time, so a value never changes length.

#include <string>
#include <string_view>
#include <vector>

namespace Case {

// Words written exactly as given wherever a word or a hyphenated part of a
// word matches one of them, ignoring letter case (USA, PhD, McDonald's).
class NameExceptions {
 public:
  NameExceptions() = default;
  explicit NameExceptions(const std::vector<std::u16string>& words);

  // The word as the list writes it, or nothing when the list lacks it.
  const std::u16string* find(std::u16string_view word) const;
  [[nodiscard]] bool empty() const { return lowered_.empty(); }

 private:
  std::vector<std::u16string> lowered_;
  std::vector<std::u16string> written_;
};

// The words of a list written one a line or separated by spaces.
std::vector<std::u16string> ExceptionWords(std::u16string_view text);

std::u16string NameCase(std::u16string_view text, const NameExceptions& exceptions = {});

}  // namespace Case
