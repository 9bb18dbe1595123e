#pragma once

#include "engine/base/internal.h"

// RC4, the stream cipher of the header obfuscation and of Jet "encoded"
// databases. Not for new designs; here only to read what Jet wrote.

#include <array>
#include <cstdint>
#include <span>

namespace engine {

class Rc4 {
 public:
  explicit Rc4(std::span<const std::uint8_t> key);
  // XORs `data` with the next bytes of the key stream.
  void apply(std::span<std::uint8_t> data);

 private:
  std::array<std::uint8_t, 256> state_{};
  std::uint8_t i_ = 0;
  std::uint8_t j_ = 0;
};

}  // namespace engine
