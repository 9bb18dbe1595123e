#pragma once

// The header page (page 0, docs/file-format.md, Header page): engine name, format version, code
// page, sort order, creation date, the masked database password and the encoding key, with the
// region from 0x18 obfuscated by the fixed RC4 key.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "engine/create/new_database.h"

namespace engine::create {

// `password` is the Jet 4 gate (empty for .accdb files, whose password is
// their encryption). A non-zero `encodingKey` marks the pages as ciphered;
// `encryptionProvider` (with its length prefix) describes an .accdb's cipher.
void writeHeaderPage(std::span<std::uint8_t> page, NewDatabase::Format format,
                     std::u16string_view password, double creationDate,
                     std::array<std::uint8_t, 4> encodingKey,
                     std::span<const std::uint8_t> encryptionProvider);

}  // namespace engine::create
