#pragma once

// The header page (page 0, §1): engine name, format version, code page, sort
// order, creation date and the masked database password, with the region
// from 0x18 obfuscated by the fixed RC4 key.

#include <cstdint>
#include <span>
#include <string>

#include "engine/create_database.h"

namespace engine::create {

void writeHeaderPage(std::span<std::uint8_t> page, NewDatabase::Format format,
                     std::u16string_view password, double creationDate);

}  // namespace engine::create
