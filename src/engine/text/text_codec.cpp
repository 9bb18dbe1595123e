#include "engine/text/text_codec.h"

#include <algorithm>
#include <iterator>

#include "engine/format/byte_order.h"
#include "engine/format/layout_text.h"

namespace engine {
namespace {

// 0x80-0x9F of code page 1252; undefined bytes map to themselves.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::u16string decodeCodePage1252(std::span<const std::uint8_t> bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (std::uint8_t b : bytes)
    out += (b >= 0x80 && b <= 0x9F) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
  return out;
}

// Both write into a string sized up front: memos are decoded several times
// an update, and appending unit by unit costs more than the decoding.
std::u16string decompressUnicode(std::span<const std::uint8_t> bytes) {
  std::u16string out(bytes.size(), u'\0');
  char16_t* to = out.data();
  bool compressed = true;
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes[i] == layout::text::kModeToggle) {
      compressed = !compressed;
      ++i;
    } else if (compressed) {
      *to++ = static_cast<char16_t>(bytes[i]);
      ++i;
    } else {
      if (i + 1 >= bytes.size()) break;
      *to++ = static_cast<char16_t>(readU16(bytes, i));
      i += 2;
    }
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return out;
}

std::u16string decodeJet4Text(std::span<const std::uint8_t> bytes) {
  constexpr auto& marker = layout::text::kCompressedMarker;
  if (bytes.size() >= sizeof marker &&
      std::equal(std::begin(marker), std::end(marker), bytes.begin()))
    return decompressUnicode(bytes.subspan(sizeof marker));
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(readU16(bytes, 2 * i));
  return out;
}

}  // namespace engine
