#include "engine/create/header_page.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "engine/format/byte_order.h"
#include "engine/format/layout_header.h"
#include "engine/read/header_page.h"

namespace engine::create {

namespace h = layout::header;

namespace {

// Fields at 0x18-0x3B whose meaning is unknown; every Access-made Jet 4 and
// ACE file holds these values.
constexpr std::array<std::uint8_t, 24> kUnknownFields{
    0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};

}  // namespace

void writeHeaderPage(std::span<std::uint8_t> page, NewDatabase::Format format,
                     std::u16string_view password, double creationDate,
                     std::array<std::uint8_t, 4> encodingKey,
                     std::span<const std::uint8_t> encryptionProvider) {
  std::fill(page.begin(), page.end(), 0);
  page[1] = 0x01;
  const char* engineName =
      format == NewDatabase::Format::Jet4 ? "Standard Jet DB" : "Standard ACE DB";
  std::memcpy(page.data() + h::kEngineName, engineName, std::strlen(engineName));
  page[h::kVersion] = format == NewDatabase::Format::Jet4 ? h::kVersionJet4 : h::kVersionAce12;
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
  putU32(page, 0x98, 0x0654);
  std::memcpy(page.data() + 0x9C, "4.0", 4);
  for (std::size_t at = 0xE00; at + 1 < h::kPageSizeJet4; at += 2) {
    page[at] = 0x00;
    page[at + 1] = 0x01;
  }
  page[0xE00] = 0x01;
  page[0xE02] = 0x01;
  std::copy(encryptionProvider.begin(), encryptionProvider.end(),
            page.begin() + h::kEncryptionProvider);
}

}  // namespace engine::create
