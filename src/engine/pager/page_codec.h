#pragma once

#include "engine/base/internal.h"

// The pluggable step between the bytes on disk and the page the engine
// parses: clear files use none, Jet "encoded" files RC4 per page, encrypted
// .accdb files their provider's cipher. Page 0 never passes through. Every
// scheme ciphers a page whole, so pages are only ever written whole.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "engine/format.h"

namespace engine {

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
