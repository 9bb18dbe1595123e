#include "engine/create_header_page.h"

#include <array>
#include <cmath>
#include <cstring>

#include "engine/create_bytes.h"
#include "engine/create_format.h"

namespace engine::create {

namespace {

// RC4 keystream of the fixed header key C7 DA 39 6B.
std::array<std::uint8_t, kHeaderObfuscatedSize> headerKeystream() {
  const std::array<std::uint8_t, 4> key{0xC7, 0xDA, 0x39, 0x6B};
  std::array<std::uint8_t, 256> s{};
  for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % key.size()]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::array<std::uint8_t, kHeaderObfuscatedSize> out{};
  for (std::size_t n = 0, i = 0, j = 0; n < out.size(); ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out[n] = s[(s[i] + s[j]) & 0xFF];
  }
  return out;
}

// Fields at 0x18-0x3B whose meaning is unknown; every Access-made Jet 4 and
// ACE file holds these values.
constexpr std::array<std::uint8_t, 24> kUnknownFields{
    0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};

}  // namespace

void toggleHeaderObfuscation(std::span<std::uint8_t> page) {
  static const auto keystream = headerKeystream();
  for (std::size_t i = 0; i < keystream.size(); ++i)
    page[kHeaderObfuscatedOffset + i] ^= keystream[i];
}

void writeHeaderPage(std::span<std::uint8_t> page, NewDatabase::Format format,
                     std::u16string_view password, double creationDate) {
  std::fill(page.begin(), page.end(), 0);
  page[1] = 0x01;
  const char* engineName =
      format == NewDatabase::Format::Jet4 ? "Standard Jet DB" : "Standard ACE DB";
  std::memcpy(page.data() + kHeaderEngineNameOffset, engineName, std::strlen(engineName));
  page[kHeaderVersionOffset] = format == NewDatabase::Format::Jet4 ? kVersionJet4 : kVersionAce12;
  std::copy(kUnknownFields.begin(), kUnknownFields.end(), page.begin() + kHeaderObfuscatedOffset);
  putU16(page, kHeaderCodePageOffset, kCodePage1252);
  putU32(page, kHeaderEncodingKeyOffset, 0);  // pages in clear

  // Password: UTF-16LE, NUL-padded, masked with the whole days of the creation date.
  std::array<std::uint8_t, kHeaderPasswordSize> field{};
  for (std::size_t i = 0; i < password.size() && 2 * i + 1 < field.size(); ++i) {
    field[2 * i] = static_cast<std::uint8_t>(password[i]);
    field[2 * i + 1] = static_cast<std::uint8_t>(password[i] >> 8);
  }
  const auto mask = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(creationDate)));
  for (std::size_t i = 0; i < field.size(); ++i)
    page[kHeaderPasswordOffset + i] = field[i] ^ static_cast<std::uint8_t>(mask >> (8 * (i % 4)));

  putU16(page, kHeaderSortOrderOffset, kSortOrderGeneral);
  page[kHeaderSortOrderVersionOffset] = 0;  // General Legacy
  putF64(page, kHeaderCreationDateOffset, creationDate);
  toggleHeaderObfuscation(page);

  // In clear after the obfuscated region: constants every sample carries.
  putU32(page, 0x98, 0x0654);
  std::memcpy(page.data() + 0x9C, "4.0", 4);
  for (std::size_t at = 0xE00; at + 1 < kPageSize; at += 2) {
    page[at] = 0x00;
    page[at + 1] = 0x01;
  }
  page[0xE00] = 0x01;
  page[0xE02] = 0x01;
}

}  // namespace engine::create
