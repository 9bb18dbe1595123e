#pragma once

// The pluggable step between the bytes on disk and the page the engine
// parses: clear files use none, Jet "encoded" files RC4 per page, encrypted
// .accdb files their provider's cipher. Page 0 never passes through. Every
// scheme ciphers a page whole, so pages are only ever written whole.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace engine {

// How the pages of a file are ciphered.
enum class PageEncryption {
  None,
  JetRc4,              // Jet 3/4 "encoded" database, no password
  OfficeRc4CryptoApi,  // .accdb, Access 2007 password
  OfficeStandardAes,   // .accdb, ECMA-376 "standard" AES (and its 0-spin variant)
  OfficeAgile,         // .accdb, Access 2010+ password (AES)
};

// Office encryption: a password is the key, not only a gate.
inline bool isOfficeEncryption(PageEncryption encryption) {
  return encryption == PageEncryption::OfficeRc4CryptoApi ||
         encryption == PageEncryption::OfficeStandardAes ||
         encryption == PageEncryption::OfficeAgile;
}

// A short English name of the scheme, for reports and tools.
std::string_view describe(PageEncryption encryption);

// Every scheme keys page `page` with the header's 4-byte encoding key XOR the
// page number in little-endian order.
inline std::array<std::uint8_t, 4> blockKey(std::array<std::uint8_t, 4> encodingKey,
                                            std::uint32_t page) {
  for (int i = 0; i < 4; ++i) encodingKey[i] ^= static_cast<std::uint8_t>(page >> (8 * i));
  return encodingKey;
}

class PageCodec {
 public:
  PageCodec() = default;
  PageCodec(const PageCodec&) = delete;
  PageCodec& operator=(const PageCodec&) = delete;
  virtual ~PageCodec() = default;

  // Turns the stored bytes of page `page` (>= 1) into clear bytes, in place.
  virtual void decode(std::uint32_t page, std::span<std::uint8_t> bytes) const = 0;
  // The reverse, for writing a whole page back.
  virtual void encode(std::uint32_t page, std::span<std::uint8_t> bytes) const = 0;
};

}  // namespace engine
