#include "engine/text/text_encoder.h"

#include <algorithm>

#include "engine/format/layout_text.h"
#include "engine/text/text_codec.h"

namespace engine {

std::optional<std::uint8_t> codePage1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
  // 0x80-0x9F: the decoder's table says which character each byte is.
  static const std::u16string high = [] {
    std::vector<std::uint8_t> bytes;
    for (int b = 0x80; b <= 0x9F; ++b) bytes.push_back(static_cast<std::uint8_t>(b));
    return decodeCodePage1252(bytes);
  }();
  for (std::size_t i = 0; i < high.size(); ++i)
    if (high[i] == c) return static_cast<std::uint8_t>(0x80 + i);
  return std::nullopt;
}

bool compressible(std::u16string_view text) {
  return text.size() >= layout::text::kMinCompressedCharacters &&
         text.size() <= layout::text::kMaxCompressedCharacters &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x01 && c <= 0xFF; });
}

Bytes encodeJet4Text(std::u16string_view text, bool compressionAllowed) {
  if (!compressionAllowed || !compressible(text)) return utf16Bytes(text);
  Bytes out(std::begin(layout::text::kCompressedMarker), std::end(layout::text::kCompressedMarker));
  out.reserve(out.size() + text.size());
  for (char16_t c : text) out.push_back(static_cast<std::uint8_t>(c));
  return out;
}

Bytes utf16Bytes(std::u16string_view text) {
  Bytes out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) appendU16(out, c);
  return out;
}

EncodedText encodeColumnText(const std::u16string& text, bool compressionAllowed,
                             const Format& format) {
  EncodedText encoded;
  if (!format.isJet3()) {
    encoded.bytes = encodeJet4Text(text, compressionAllowed);
    return encoded;
  }
  encoded.bytes.reserve(text.size());
  for (char16_t c : text) {
    auto byte = codePage1252Byte(c);
    if (!byte) {
      encoded.unencodable = c;
      encoded.bytes.clear();
      return encoded;
    }
    encoded.bytes.push_back(*byte);
  }
  return encoded;
}

}  // namespace engine
