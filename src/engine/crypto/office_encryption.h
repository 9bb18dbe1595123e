#pragma once

#include "engine/base/internal.h"

// Encrypted .accdb files (a password set in Access 2007 or later encrypts
// every page but page 0). The header names the encryption provider in a
// length-prefixed blob at 0x299; this reads it, checks the password and gives
// the page codec that deciphers pages as they are read and enciphers them as
// they are written.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/format/byte_order.h"
#include "engine/pager/page_codec.h"

namespace engine {

struct OfficeEncryption {
  PageEncryption scheme = PageEncryption::None;
  std::unique_ptr<PageCodec> codec;
};

// Opens the encryption described by page 0 (`page0`, as stored) of the file at
// `path`. Throws Error::notValidPassword() for a wrong or missing
// password, Error::unsupported for providers not handled here and
// Error::damaged for a malformed description.
OfficeEncryption openOfficeEncryption(std::span<const std::uint8_t> page0,
                                      std::array<std::uint8_t, 4> encodingKey,
                                      std::u16string_view password, const std::string& path);

// A new Agile (AES-256, SHA-512) encryption for `password`: the provider blob
// to store at 0x299 (with its length prefix) and the codec for the pages.
// `spinCount` is Access's 100000 unless a test asks for fewer rounds.
struct NewOfficeEncryption {
  Bytes providerBlob;
  std::unique_ptr<PageCodec> codec;
};
NewOfficeEncryption createAgileEncryption(std::array<std::uint8_t, 4> encodingKey,
                                          std::u16string_view password,
                                          std::uint32_t spinCount = 100000);

}  // namespace engine
