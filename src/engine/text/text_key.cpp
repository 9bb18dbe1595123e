#include "engine/text/text_key.h"

#include <array>

namespace engine::create {

namespace {

// How one character enters a key: up to two inline bytes, then either an
// "extra" byte (accents; 0 = none) or, for characters without inline bytes,
// an unprintable code recorded with its position.
struct CharacterCode {
  std::uint8_t inline1 = 0;
  std::uint8_t inline2 = 0;  // 0 = a single inline byte
  std::uint8_t extra = 0;
  std::uint8_t unprintable = 0;
  bool known = false;
};

constexpr std::uint8_t kNoExtra = 0x02;  // placeholder of a character without accents
constexpr std::size_t kMaxKeyCharacters = 255;

CharacterCode simple(std::uint8_t a, std::uint8_t b = 0) { return {a, b, 0, 0, true}; }
CharacterCode accented(std::uint8_t a, std::uint8_t extra) { return {a, 0, extra, 0, true}; }
CharacterCode unprintable(std::uint8_t code) { return {0, 0, 0, code, true}; }

std::array<CharacterCode, 256> buildTable() {
  std::array<CharacterCode, 256> t{};
  // Control characters: tab to carriage return sort as spaces of their own;
  // the others, like the apostrophe and the hyphen, carry no inline bytes and
  // only break ties through their unprintable codes.
  for (int c = 0x01; c <= 0x08; ++c) t[c] = unprintable(static_cast<std::uint8_t>(0x03 + c - 0x01));
  for (int c = 0x09; c <= 0x0D; ++c)
    t[c] = simple(0x08, static_cast<std::uint8_t>(0x03 + c - 0x09));
  for (int c = 0x0E; c <= 0x1F; ++c) t[c] = unprintable(static_cast<std::uint8_t>(0x0B + c - 0x0E));
  for (int c = 0x7F; c <= 0x9F; ++c) t[c] = unprintable(static_cast<std::uint8_t>(0x1D + c - 0x7F));
  t['\''] = unprintable(0x80);
  t['-'] = unprintable(0x82);
  t[0xAD] = unprintable(0x83);  // soft hyphen

  // Printable ASCII and the Latin-1 symbols.
  const std::uint8_t symbols[][3] = {
      {' ', 0x07, 0},     {'!', 0x09, 0},     {'"', 0x0A, 0},     {'#', 0x0C, 0},
      {'$', 0x0E, 0},     {'%', 0x10, 0},     {'&', 0x12, 0},     {'(', 0x14, 0},
      {')', 0x16, 0},     {'*', 0x18, 0},     {'+', 0x2C, 0},     {',', 0x1A, 0},
      {'.', 0x1C, 0},     {'/', 0x1E, 0},     {':', 0x20, 0},     {';', 0x22, 0},
      {'<', 0x2E, 0},     {'=', 0x30, 0},     {'>', 0x32, 0},     {'?', 0x24, 0},
      {'@', 0x26, 0},     {'[', 0x27, 0},     {'\\', 0x29, 0},    {']', 0x2A, 0},
      {'^', 0x2B, 0x02},  {'_', 0x2B, 0x03},  {'`', 0x2B, 0x07},  {'{', 0x2B, 0x09},
      {'|', 0x2B, 0x0B},  {'}', 0x2B, 0x0D},  {'~', 0x2B, 0x0F},  {0xA0, 0x08, 0x02},
      {0xA1, 0x2B, 0x10}, {0xA2, 0x34, 0xA6}, {0xA3, 0x34, 0xA7}, {0xA4, 0x34, 0xA8},
      {0xA5, 0x34, 0xA9}, {0xA6, 0x2B, 0x11}, {0xA7, 0x34, 0xAA}, {0xA8, 0x2B, 0x12},
      {0xA9, 0x34, 0xAB}, {0xAB, 0x33, 0x05}, {0xAC, 0x34, 0xAC}, {0xAE, 0x34, 0xAD},
      {0xAF, 0x2B, 0x13}, {0xB0, 0x34, 0xAE}, {0xB1, 0x33, 0x04}, {0xB2, 0x3A, 0},
      {0xB3, 0x3C, 0},    {0xB4, 0x2B, 0x14}, {0xB5, 0x34, 0xAF}, {0xB6, 0x34, 0xB0},
      {0xB7, 0x34, 0xB1}, {0xB8, 0x2B, 0x15}, {0xB9, 0x38, 0},    {0xBB, 0x33, 0x07},
      {0xBC, 0x37, 0x12}, {0xBD, 0x37, 0x16}, {0xBE, 0x37, 0x1A}, {0xBF, 0x2B, 0x16},
  };
  for (const auto& p : symbols) t[p[0]] = simple(p[1], p[2]);
  for (int d = 0; d < 10; ++d) t['0' + d] = simple(static_cast<std::uint8_t>(0x36 + 2 * d));
  const std::uint8_t letters[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                    0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                    0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
  for (int i = 0; i < 26; ++i) t['A' + i] = t['a' + i] = simple(letters[i]);

  // Latin-1 letters: the base letter inline, the accent as the extra byte;
  // upper and lower case share their codes.
  const std::uint8_t a = 0x4A, c = 0x4D, e = 0x51, i = 0x59, o = 0x64, u = 0x6F, y = 0x76;
  t[0xAA] = accented(a, 0x03);  // ª
  t[0xBA] = accented(o, 0x03);  // º
  const CharacterCode upper[31] = {
      accented(a, 0x0F),    accented(a, 0x0E),    accented(a, 0x12), accented(a, 0x19),  // À Á Â Ã
      accented(a, 0x13),    accented(a, 0x1A),    simple(a, e),      accented(c, 0x1C),  // Ä Å Æ Ç
      accented(e, 0x0F),    accented(e, 0x0E),    accented(e, 0x12), accented(e, 0x13),  // È É Ê Ë
      accented(i, 0x0F),    accented(i, 0x0E),    accented(i, 0x12), accented(i, 0x13),  // Ì Í Î Ï
      accented(0x4F, 0x68), accented(0x62, 0x19),                                        // Ð Ñ
      accented(o, 0x0F),    accented(o, 0x0E),    accented(o, 0x12), accented(o, 0x19),  // Ò Ó Ô Õ
      accented(o, 0x13),    simple(0x33, 0x09),   accented(o, 0x21),                     // Ö × Ø
      accented(u, 0x0F),    accented(u, 0x0E),    accented(u, 0x12), accented(u, 0x13),  // Ù Ú Û Ü
      accented(y, 0x0E),    simple(0x6D, 0x57),                                          // Ý Þ
  };
  for (int k = 0; k < 31; ++k) t[0xC0 + k] = t[0xE0 + k] = upper[k];
  t[0xDF] = simple(0x6B, 0x6B);  // ß sorts as "ss"
  t[0xF7] = simple(0x33, 0x0A);  // ÷
  t[0xFF] = accented(y, 0x13);   // ÿ
  return t;
}

const std::array<CharacterCode, 256>& table() {
  static const auto codes = buildTable();
  return codes;
}

}  // namespace

bool hasGeneralLegacyCode(char16_t c) { return c < 256 && table()[c].known; }

std::optional<Bytes> generalLegacyTextKey(std::u16string_view text) {
  if (text.size() > kMaxKeyCharacters) text = text.substr(0, kMaxKeyCharacters);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);

  Bytes inlineBytes, extras, records;
  std::size_t inlineCharacters = 0;
  for (char16_t ch : text) {
    if (!hasGeneralLegacyCode(ch)) return std::nullopt;
    const auto& code = table()[ch];
    if (code.unprintable) {
      // u16 big-endian (7 + 4 × characters with inline bytes so far) | 0x8000, 0x06, code
      const auto position = static_cast<std::uint16_t>(0x8000 | (7 + 4 * inlineCharacters));
      records.push_back(static_cast<std::uint8_t>(position >> 8));
      records.push_back(static_cast<std::uint8_t>(position));
      records.push_back(0x06);
      records.push_back(code.unprintable);
      continue;
    }
    inlineBytes.push_back(code.inline1);
    if (code.inline2) inlineBytes.push_back(code.inline2);
    extras.push_back(code.extra ? code.extra : kNoExtra);
    ++inlineCharacters;
  }
  while (!extras.empty() && extras.back() <= kNoExtra) extras.pop_back();

  Bytes key = std::move(inlineBytes);
  key.push_back(0x01);
  appendBytes(key, extras);
  if (!records.empty()) {
    key.push_back(0x01);
    key.push_back(0x01);
    key.push_back(0x01);
    appendBytes(key, records);
  }
  key.push_back(0x00);
  return key;
}

}  // namespace engine::create
