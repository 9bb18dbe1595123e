#include "engine/create_text.h"

#include <algorithm>

#include "engine/create_format.h"

namespace engine::create {

bool compressible(std::u16string_view text) {
  return text.size() > 2 && text.size() <= kMaxCompressedCharacters &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x01 && c <= 0xFF; });
}

Bytes encodeText(std::u16string_view text, bool compressionAllowed) {
  Bytes out;
  if (compressionAllowed && compressible(text)) {
    out.reserve(text.size() + 2);
    out.push_back(0xFF);
    out.push_back(0xFE);
    for (char16_t c : text) out.push_back(static_cast<std::uint8_t>(c));
    return out;
  }
  return utf16Bytes(text);
}

Bytes utf16Bytes(std::u16string_view text) {
  Bytes out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) appendU16(out, c);
  return out;
}

std::string toUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace engine::create
