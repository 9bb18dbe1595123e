#pragma once

#include "engine/base/internal.h"

// The header page (page 0; docs/file-format.md, Header page), read and written: engine name,
// format version, code page, sort order, creation date, the encoding key and the database
// password, with the region from 0x18 masked by the fixed RC4 key.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/format.h"

namespace engine {

struct HeaderPage {
  Format format;
  std::string engineName;  // "Standard Jet DB", "Standard ACE DB"
  std::uint16_t codePage = 1252;
  std::uint16_t sortOrder = 1033;
  std::uint8_t sortVersion = 0;  // Jet 4+
  std::array<std::uint8_t, 4> encodingKey{};
  double creationDate = 0;  // Jet 4+
  // The .mdb database password, decoded; empty when the database has none.
  std::u16string password;

  [[nodiscard]] bool hasEncodingKey() const {
    return encodingKey[0] | encodingKey[1] | encodingKey[2] | encodingKey[3];
  }
  // ACE file whose pages are encrypted with a password (docs/file-format.md, Encoding and
  // encryption).
  [[nodiscard]] bool isEncryptedAccdb() const { return format.isAce() && hasEncodingKey(); }
  // Jet 3/4 file whose pages are RC4-encoded without a password (docs/file-format.md, Encoding and
  // encryption).
  [[nodiscard]] bool isJetEncoded() const { return !format.isAce() && hasEncodingKey(); }
};

// Decodes page 0 (`bytes` holds at least the first 2048 bytes of the file,
// more if available). Throws Error::unrecognizedFormat(path) for files
// that are not Access databases of a known version.
HeaderPage parseHeaderPage(std::span<const std::uint8_t> bytes, const std::string& path);

// Writes the page 0 of a new Jet 4 (or, with `ace`, ACE 12) database. `password` is the Jet 4
// gate (empty for .accdb files, whose password is their encryption). A non-zero `encodingKey`
// marks the pages as ciphered; `encryptionProvider` (with its length prefix) describes an
// .accdb's cipher.
void writeHeaderPage(std::span<std::uint8_t> page, bool ace, std::u16string_view password,
                     double creationDate, std::array<std::uint8_t, 4> encodingKey,
                     std::span<const std::uint8_t> encryptionProvider);

// Reverses (and equally applies) the header mask (docs/file-format.md, Masked region) in place.
void toggleHeaderObfuscation(std::span<std::uint8_t> page0, const Format& format);

// The Jet 4 password field is XOR-masked with this: the whole days of the
// creation date as a 32-bit integer (0 when out of range).
std::uint32_t passwordMask(double creationDate);

// True when `typed` opens a database whose stored password is `stored`
// (empty stored password: anything opens it).
[[nodiscard]] bool passwordMatches(const std::u16string& stored, const std::u16string& typed);

}  // namespace engine
