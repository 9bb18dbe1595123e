#include "ado/connection_string.h"

#include "ado/error.h"

namespace ado {
namespace {

Text lowerAscii(std::u16string_view s) {
  Text out(s);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
  return out;
}

Text trimmed(std::u16string_view s) {
  std::size_t a = 0, b = s.size();
  while (a < b && s[a] == u' ') ++a;
  while (b > a && s[b - 1] == u' ') --b;
  return Text(s.substr(a, b - a));
}

constexpr std::u16string_view kPasswordKey = u"jet oledb:database password";

}  // namespace

ConnectionString ParseConnectionString(const Text& text) {
  ConnectionString result;
  bool providerSeen = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t equals = text.find(u'=', pos);
    if (equals == Text::npos) break;
    const Text key = lowerAscii(trimmed(std::u16string_view(text).substr(pos, equals - pos)));
    // The password is the last piece the program writes and is taken as
    // typed, so it runs to the end of the string.
    std::size_t end = key == kPasswordKey ? text.size() : text.find(u';', equals + 1);
    if (end == Text::npos) end = text.size();
    const Text value = text.substr(equals + 1, end - equals - 1);
    if (key == u"provider") {
      const Text name = lowerAscii(trimmed(value));
      if (name == u"microsoft.jet.oledb.4.0")
        result.provider = Provider::Jet4;
      else if (name == u"microsoft.ace.oledb.12.0")
        result.provider = Provider::Ace12;
      else
        throw Error::providerNotFound();
      providerSeen = true;
    } else if (key == u"data source") {
      result.dataSource = value;
    } else if (key == kPasswordKey) {
      result.password = value;
    }
    pos = end + 1;
  }
  if (!providerSeen) throw Error::providerNotFound();
  return result;
}

}  // namespace ado
