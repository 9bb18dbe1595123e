#include "ado/sql.h"

#include "ado/error.h"

namespace ado::sql {
namespace {

enum class TokenKind { Name, Literal, Star, Equals, End };

struct Token {
  TokenKind kind;
  Text text;
  bool quoted = false;  // a name in accents or brackets is never a keyword
};

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool isBareNameUnit(char16_t c) {
  return !isBlank(c) && c != u'*' && c != u'=' && c != u'\'' && c != u'`' && c != u'[' &&
         c != u']' && c != u';' && c != u',' && c != u'(' && c != u')';
}

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool sameKeyword(const Text& word, std::u16string_view keyword) {
  if (word.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (asciiLower(word[i]) != keyword[i]) return false;
  return true;
}

class Parser {
 public:
  explicit Parser(std::u16string_view text) : text_(text) {}

  Statement statement() {
    const Token first = next();
    if (isKeyword(first, u"select")) {
      kind_ = "SELECT";
      return select();
    }
    if (isKeyword(first, u"update")) {
      kind_ = "UPDATE";
      return update();
    }
    throw Error::invalidStatement();
  }

 private:
  Select select() {
    Select s;
    Token what = next();
    if (what.kind == TokenKind::Star) {
      // every column
    } else if (what.kind == TokenKind::Name && !isKeyword(what, u"from")) {
      s.column = what.text;
    } else {
      fail();
    }
    expectKeyword(u"from");
    s.table = name();
    expectEnd();
    return s;
  }

  Update update() {
    Update u;
    u.table = name();
    expectKeyword(u"set");
    u.setColumn = name();
    expect(TokenKind::Equals);
    u.newValue = literal();
    expectKeyword(u"where");
    u.whereColumn = name();
    expect(TokenKind::Equals);
    u.oldValue = literal();
    expectEnd();
    return u;
  }

  Text name() {
    Token t = next();
    if (t.kind != TokenKind::Name) fail();
    return t.text;
  }

  Text literal() {
    Token t = next();
    if (t.kind != TokenKind::Literal) fail();
    return t.text;
  }

  void expect(TokenKind kind) {
    if (next().kind != kind) fail();
  }

  void expectKeyword(std::u16string_view keyword) {
    if (!isKeyword(next(), keyword)) fail();
  }

  void expectEnd() {
    Token t = next();
    if (t.kind == TokenKind::Name && !t.quoted && t.text == u";") t = next();
    if (t.kind != TokenKind::End) fail();
  }

  static bool isKeyword(const Token& t, std::u16string_view keyword) {
    return t.kind == TokenKind::Name && !t.quoted && sameKeyword(t.text, keyword);
  }

  [[noreturn]] void fail() const { throw Error::syntaxError(kind_); }

  Token next() {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return {TokenKind::End, {}};
    const char16_t c = text_[pos_];
    if (c == u'*') return ++pos_, Token{TokenKind::Star, u"*"};
    if (c == u'=') return ++pos_, Token{TokenKind::Equals, u"="};
    if (c == u'\'') return literalToken();
    if (c == u'`') return enclosedName(u'`');
    if (c == u'[') return enclosedName(u']');
    if (c == u';') return ++pos_, Token{TokenKind::Name, u";"};
    const std::size_t start = pos_;
    while (pos_ < text_.size() && isBareNameUnit(text_[pos_])) ++pos_;
    if (pos_ == start) fail();
    return {TokenKind::Name, Text(text_.substr(start, pos_ - start))};
  }

  Token literalToken() {
    Text value;
    ++pos_;  // opening apostrophe
    for (;;) {
      if (pos_ >= text_.size()) fail();  // unterminated
      const char16_t c = text_[pos_++];
      if (c != u'\'') {
        value.push_back(c);
      } else if (pos_ < text_.size() && text_[pos_] == u'\'') {
        value.push_back(u'\'');
        ++pos_;
      } else {
        return {TokenKind::Literal, std::move(value)};
      }
    }
  }

  Token enclosedName(char16_t close) {
    ++pos_;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != close) ++pos_;
    if (pos_ >= text_.size() || pos_ == start) fail();
    Token t{TokenKind::Name, Text(text_.substr(start, pos_ - start)), true};
    ++pos_;
    return t;
  }

  std::u16string_view text_;
  std::size_t pos_ = 0;
  const char* kind_ = "SELECT";
};

}  // namespace

Statement Parse(std::u16string_view text) { return Parser(text).statement(); }

Text QuoteLiteral(std::u16string_view text) {
  Text out;
  // Sized for a text without quotes, the common case, in one pass.
  out.reserve(text.size() + 2);
  out.push_back(u'\'');
  for (char16_t c : text) {
    out.push_back(c);
    if (c == u'\'') out.push_back(u'\'');
  }
  out.push_back(u'\'');
  return out;
}

}  // namespace ado::sql
