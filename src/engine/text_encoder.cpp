#include "engine/text_encoder.h"

#include "engine/create_text.h"
#include "engine/text_codec.h"

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

EncodedText encodeColumnText(const std::u16string& text, const ColumnDefinition& column,
                             const Format& format) {
  EncodedText encoded;
  if (!format.isJet3()) {
    encoded.bytes = create::encodeText(text, column.allowsCompression());
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
