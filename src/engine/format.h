#pragma once

// Which engine wrote a database (header byte 0x14), what follows from it,
// and how the file's pages are ciphered.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

enum class Version { Jet3, Jet4, Ace12, Ace14, Ace15, Ace16, Ace17 };

struct Format {
  Version version = Version::Jet4;
  std::uint8_t versionByte = 1;

  [[nodiscard]] bool isJet3() const { return version == Version::Jet3; }
  // ACE: the .accdb family.
  [[nodiscard]] bool isAce() const { return version != Version::Jet3 && version != Version::Jet4; }
  std::uint32_t pageSize() const;
  // Human-readable, e.g. "Jet 4 (Access 2000-2003)".
  std::string name() const;

  // Data page and row geometry.
  std::size_t dataHeaderSize() const;
  std::size_t dataRowCountOffset() const;
  std::size_t rowColumnCountSize() const { return isJet3() ? 1 : 2; }

  // The format for header byte 0x14, or nothing when the byte is unknown.
  [[nodiscard]] static std::optional<Format> fromVersionByte(std::uint8_t byte);
};

// How the pages of a file are ciphered.
enum class PageEncryption {
  None,
  JetRc4,              // Jet 3/4 "encoded" database, no password
  OfficeRc4CryptoApi,  // .accdb, Access 2007 password
  OfficeStandardAes,   // .accdb, ECMA-376 "standard" AES (and its 0-spin variant)
  OfficeAgile,         // .accdb, Access 2010+ password (AES)
};

// Office encryption: a password is the key, not only a gate.
[[nodiscard]] inline bool isOfficeEncryption(PageEncryption encryption) {
  return encryption == PageEncryption::OfficeRc4CryptoApi ||
         encryption == PageEncryption::OfficeStandardAes ||
         encryption == PageEncryption::OfficeAgile;
}

// A short English name of the scheme, for reports and tools.
std::string_view describe(PageEncryption encryption);

}  // namespace engine
