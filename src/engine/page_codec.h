#pragma once

// The pluggable step between the bytes on disk and the page the engine
// parses: clear files use none, Jet "encoded" files RC4 per page, encrypted
// .accdb files (later) their provider's cipher. Page 0 never passes through.

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace engine {

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

// Jet 3 / Jet 4 RC4 page encoding: key = header key XOR little-endian page number.
std::unique_ptr<PageCodec> makeJetRc4Codec(std::array<std::uint8_t, 4> encodingKey);

}  // namespace engine
