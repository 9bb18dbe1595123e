#include "case/name_case.h"

#include <QChar>
#include <algorithm>
#include <array>

#include "case/case.h"

namespace Case {
namespace {

using Span = std::u16string_view;

// Words that join the parts of a name and stay lower case after its first
// word. Words that are also common surnames (Das, Do, Le) are left out.
constexpr std::array<Span, 24> kParticles{u"van", u"von", u"der",   u"den",  u"de",  u"des",
                                          u"la",  u"du",  u"da",    u"di",   u"del", u"della",
                                          u"dos", u"bin", u"binti", u"bint", u"ibn", u"al",
                                          u"ter", u"ten", u"zu",    u"y",    u"ap",  u"wa"};

// Regnal and family numbers. XI is left out: it is also a surname.
constexpr std::array<Span, 18> kRomanNumerals{u"ii",   u"iii", u"iv",   u"v",     u"vi",   u"vii",
                                              u"viii", u"ix",  u"x",    u"xii",   u"xiii", u"xiv",
                                              u"xv",   u"xvi", u"xvii", u"xviii", u"xix",  u"xx"};

// Surnames that begin with "mac" without being Mac names.
constexpr std::array<Span, 20> kNotMacNames{
    u"macaluso", u"macario",     u"maccarone", u"maccari",  u"macchi", u"macchia", u"macchione",
    u"macedo",   u"macedonio",   u"maceda",    u"maceira",  u"macera", u"macias",  u"maciel",
    u"macieira", u"maciejewski", u"macina",    u"macomber", u"macron", u"macrina"};

// Before an apostrophe, these begin a name whose next letter is a capital.
constexpr std::array<Span, 6> kApostrophePrefixes{u"o", u"d", u"l", u"dell", u"dall", u"sant"};

template <std::size_t N>
bool contains(const std::array<Span, N>& words, Span word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

bool isSpace(char16_t unit) {
  return unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n';
}
bool isLetter(char16_t unit) { return QChar::isLetter(char32_t(unit)); }
bool isApostrophe(char16_t unit) { return unit == u'\'' || unit == 0x2019 || unit == 0x02BC; }
bool isHyphen(char16_t unit) { return unit == u'-' || unit == 0x2010; }
bool isOpening(char16_t unit) {
  return unit == u'"' || unit == u'(' || unit == u'[' || unit == u'{' || unit == 0x201C ||
         unit == 0x00AB;
}
bool isClosing(char16_t unit) {
  return unit == u'"' || unit == u')' || unit == u']' || unit == u'}' || unit == u',' ||
         unit == u';' || unit == u':' || unit == 0x201D || unit == 0x00BB;
}

bool isVowel(char16_t unit) { return std::u16string_view(u"aeiouy").find(unit) != Span::npos; }

void upper(std::u16string& text, std::size_t at) { text[at] = UpperCaseUnit(text[at]); }

// J.R.R., J.R.R, A.B.: single letters, each followed by a full stop but
// perhaps the last.
bool isInitials(Span word) {
  if (word.find(u'.') == Span::npos) return false;
  bool wantLetter = true;
  for (char16_t unit : word) {
    if (wantLetter != isLetter(unit) || (!wantLetter && unit != u'.')) return false;
    wantLetter = !wantLetter;
  }
  return true;
}

class NameWriter {
 public:
  NameWriter(std::u16string& text, const NameExceptions& exceptions)
      : text_(text), exceptions_(exceptions) {}

  void word(std::size_t begin, std::size_t end, bool first) {
    while (begin < end && isOpening(text_[begin])) ++begin;
    while (end > begin && isClosing(text_[end - 1])) --end;
    if (begin == end) return;
    std::size_t bare = end;  // without a closing full stop
    if (text_[bare - 1] == u'.') --bare;
    if (keepException(begin, end) || keepException(begin, bare)) return;
    const Span whole = span(begin, end);
    if (isInitials(whole)) {
      for (std::size_t i = begin; i < end; ++i) upper(text_, i);
      return;
    }
    const Span stem = span(begin, bare);
    if (!first && contains(kParticles, stem)) return;
    if (!first && contains(kRomanNumerals, stem)) {
      for (std::size_t i = begin; i < bare; ++i) upper(text_, i);
      return;
    }
    std::size_t partBegin = begin;
    for (std::size_t i = begin; i <= end; ++i) {
      if (i < end && !isHyphen(text_[i])) continue;
      const bool lastPart = i == end;
      const bool firstOfName = first && partBegin == begin;
      part(partBegin, i, firstOfName, lastPart);
      partBegin = i + 1;
    }
  }

 private:
  Span span(std::size_t begin, std::size_t end) const {
    return Span(text_).substr(begin, end - begin);
  }

  bool keepException(std::size_t begin, std::size_t end) {
    if (begin == end || exceptions_.empty()) return false;
    const std::u16string* written = exceptions_.find(span(begin, end));
    if (!written) return false;
    std::copy(written->begin(), written->end(), text_.begin() + std::ptrdiff_t(begin));
    return true;
  }

  void part(std::size_t begin, std::size_t end, bool firstOfName, bool lastPart) {
    if (keepException(begin, end)) return;
    if (!firstOfName && !lastPart && contains(kParticles, span(begin, end))) return;
    std::size_t p = begin;
    while (p < end && !isLetter(text_[p])) ++p;
    if (p == end) return;
    // The letters up to an apostrophe, if any, still lower case.
    std::size_t letters = p;
    while (letters < end && isLetter(text_[letters])) ++letters;
    const std::u16string head(span(p, letters));
    upper(text_, p);
    if (letters + 1 < end && isApostrophe(text_[letters]) && isLetter(text_[letters + 1]) &&
        contains(kApostrophePrefixes, Span(head))) {
      upper(text_, letters + 1);
      return;
    }
    if (head.size() > 2 && head.starts_with(u"ij") && !isVowel(head[2])) {
      upper(text_, p + 1);  // Dutch IJ
      return;
    }
    if (head.size() > 2 && head.starts_with(u"mc")) {
      upper(text_, p + 2);
      return;
    }
    // Mac names have at least three letters after "Mac"; Mack, Macy, Mace
    // and the Machado and Mackie kind (h or k next) are ordinary names.
    if (head.size() >= 6 && head.starts_with(u"mac") && head[3] != u'h' && head[3] != u'k' &&
        !contains(kNotMacNames, Span(head)))
      upper(text_, p + 3);
  }

  std::u16string& text_;
  const NameExceptions& exceptions_;
};

}  // namespace

NameExceptions::NameExceptions(const std::vector<std::u16string>& words) {
  for (const std::u16string& word : words) {
    if (word.empty()) continue;
    lowered_.push_back(LowerCase(word));
    written_.push_back(word);
  }
}

const std::u16string* NameExceptions::find(std::u16string_view word) const {
  const std::u16string lowered = LowerCase(word);
  for (std::size_t i = 0; i < lowered_.size(); ++i)
    if (lowered_[i] == lowered && written_[i].size() == word.size()) return &written_[i];
  return nullptr;
}

std::vector<std::u16string> ExceptionWords(std::u16string_view text) {
  std::vector<std::u16string> words;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !isSpace(text[i])) continue;
    if (i > begin) words.emplace_back(text.substr(begin, i - begin));
    begin = i + 1;
  }
  return words;
}

std::u16string NameCase(std::u16string_view text, const NameExceptions& exceptions) {
  std::u16string out = LowerCase(text);
  NameWriter writer(out, exceptions);
  bool first = true;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= out.size(); ++i) {
    if (i < out.size() && !isSpace(out[i])) continue;
    if (i > begin) {
      writer.word(begin, i, first);
      if (std::any_of(out.begin() + std::ptrdiff_t(begin), out.begin() + std::ptrdiff_t(i),
                      isLetter))
        first = false;
    }
    begin = i + 1;
  }
  return out;
}

}  // namespace Case
