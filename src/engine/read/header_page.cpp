#include "engine/read/header_page.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/crypto/rc4.h"
#include "engine/error.h"
#include "engine/format/byte_order.h"
#include "engine/format/layout_header.h"
#include "engine/text/text_codec.h"

namespace engine {

namespace h = layout::header;

namespace {

std::size_t obfuscatedLength(const Format& format) {
  return format.isJet3() ? h::kObfuscatedLengthJet3 : h::kObfuscatedLengthJet4;
}

std::u16string cutAtNul(std::u16string text) {
  if (auto nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);
  return text;
}

std::u16string decodeJet3Password(std::span<const std::uint8_t> field) {
  return cutAtNul(decodeCodePage1252(field));
}

std::u16string decodeJet4Password(std::span<const std::uint8_t> field, double creationDate) {
  std::vector<std::uint8_t> bytes(field.begin(), field.end());
  const std::uint32_t mask = passwordMask(creationDate);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] ^= static_cast<std::uint8_t>(mask >> (8 * (i % 4)));
  return cutAtNul(decodeJet4Text(bytes));
}

}  // namespace

std::uint32_t passwordMask(double creationDate) {
  const double whole = std::floor(creationDate);
  if (!std::isfinite(whole) || whole < -2147483648.0 || whole > 2147483647.0) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(whole));
}

void toggleHeaderObfuscation(std::span<std::uint8_t> page0, const Format& format) {
  std::size_t length = obfuscatedLength(format);
  if (page0.size() < h::kObfuscatedStart + length) return;
  Rc4 rc4(h::kObfuscationKey);
  rc4.apply(page0.subspan(h::kObfuscatedStart, length));
}

HeaderPage parseHeaderPage(std::span<const std::uint8_t> bytes, const std::string& path) {
  if (bytes.size() < h::kPageSizeJet3 || bytes[0] != 0x00) throw Error::unrecognizedFormat(path);
  std::string name(reinterpret_cast<const char*>(bytes.data() + h::kEngineName),
                   h::kEngineNameLength);
  name.resize(std::strlen(name.c_str()));
  if (name != h::kEngineNameJet && name != h::kEngineNameAce) throw Error::unrecognizedFormat(path);
  auto format = Format::fromVersionByte(bytes[h::kVersion]);
  if (!format) throw Error::unrecognizedFormat(path);

  HeaderPage header;
  header.format = *format;
  header.engineName = name;
  std::vector<std::uint8_t> page(bytes.begin(),
                                 bytes.begin() + std::min<std::size_t>(bytes.size(), 4096));
  toggleHeaderObfuscation(page, *format);

  header.codePage = static_cast<std::uint16_t>(page[h::kCodePage] | (page[h::kCodePage + 1] << 8));
  std::memcpy(header.encodingKey.data(), &page[h::kEncodingKey], 4);
  if (format->isJet3()) {
    header.sortOrder =
        static_cast<std::uint16_t>(page[h::kSortOrderJet3] | (page[h::kSortOrderJet3 + 1] << 8));
    header.password =
        decodeJet3Password(std::span(page).subspan(h::kPassword, h::kPasswordLengthJet3));
  } else {
    header.sortOrder =
        static_cast<std::uint16_t>(page[h::kSortOrderJet4] | (page[h::kSortOrderJet4 + 1] << 8));
    header.sortVersion = page[h::kSortVersionJet4];
    std::uint64_t raw = 0;
    for (int i = 7; i >= 0; --i) raw = (raw << 8) | page[h::kCreationDate + i];
    header.creationDate = std::bit_cast<double>(raw);
    // In an .accdb these bytes are not a password (passwords encrypt the file).
    if (!format->isAce())
      header.password = decodeJet4Password(
          std::span(page).subspan(h::kPassword, h::kPasswordLengthJet4), header.creationDate);
  }
  return header;
}

bool passwordMatches(const std::u16string& stored, const std::u16string& typed) {
  return stored.empty() || stored == typed;
}

namespace {

// Fields at 0x18-0x3B whose meaning is unknown; every Access-made Jet 4 and
// ACE file holds these values.
constexpr std::array<std::uint8_t, 24> kUnknownFields{
    0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};

}  // namespace

void writeHeaderPage(std::span<std::uint8_t> page, bool ace, std::u16string_view password,
                     double creationDate, std::array<std::uint8_t, 4> encodingKey,
                     std::span<const std::uint8_t> encryptionProvider) {
  std::fill(page.begin(), page.end(), 0);
  page[h::kPageTag] = h::kPageTagValue;
  const std::string_view engineName = ace ? h::kEngineNameAce : h::kEngineNameJet;
  std::copy(engineName.begin(), engineName.end(), page.begin() + h::kEngineName);
  page[h::kVersion] = ace ? h::kVersionAce12 : h::kVersionJet4;
  std::copy(kUnknownFields.begin(), kUnknownFields.end(), page.begin() + h::kObfuscatedStart);
  putU16(page, h::kCodePage, h::kCodePageWestern);
  std::copy(encodingKey.begin(), encodingKey.end(), page.begin() + h::kEncodingKey);

  // Password: UTF-16LE, NUL-padded, masked with the whole days of the creation date.
  std::array<std::uint8_t, h::kPasswordLengthJet4> field{};
  for (std::size_t i = 0; i < password.size() && 2 * i + 1 < field.size(); ++i)
    putU16(field, 2 * i, password[i]);
  const std::uint32_t mask = passwordMask(creationDate);
  for (std::size_t i = 0; i < field.size(); ++i)
    page[h::kPassword + i] = field[i] ^ static_cast<std::uint8_t>(mask >> (8 * (i % 4)));

  putU16(page, h::kSortOrderJet4, h::kSortOrderGeneral);
  page[h::kSortVersionJet4] = 0;  // General Legacy
  putF64(page, h::kCreationDate, creationDate);
  toggleHeaderObfuscation(page, Format{});  // Jet 4 and ACE obfuscate alike

  // In clear after the obfuscated region: constants every sample carries.
  putU32(page, h::kClearValue, h::kClearValueJet4);
  std::copy(h::kReleaseJet4.begin(), h::kReleaseJet4.end(), page.begin() + h::kRelease);
  page[h::kRelease + h::kReleaseJet4.size()] = 0x00;
  for (std::size_t at = h::kPairsStart; at + 1 < h::kPageSizeJet4; at += 2) {
    page[at] = 0x00;
    page[at + 1] = 0x01;
  }
  page[h::kPairsStart] = 0x01;
  page[h::kPairsStart + 2] = 0x01;
  std::copy(encryptionProvider.begin(), encryptionProvider.end(),
            page.begin() + h::kEncryptionProvider);
}

}  // namespace engine
