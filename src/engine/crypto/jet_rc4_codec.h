#pragma once

#include "engine/base/internal.h"

// The page encoding of Jet 3 / Jet 4 "encoded" databases.

#include <array>
#include <cstdint>
#include <memory>

#include "engine/pager/page_codec.h"

namespace engine {

// RC4 per page, keyed with the header key XOR the little-endian page number.
std::unique_ptr<PageCodec> makeJetRc4Codec(std::array<std::uint8_t, 4> encodingKey);

}  // namespace engine
