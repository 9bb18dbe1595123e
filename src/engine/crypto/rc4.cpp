#include "engine/crypto/rc4.h"

#include <utility>

namespace engine {

Rc4::Rc4(std::span<const std::uint8_t> key) {
  for (int k = 0; k < 256; ++k) state_[k] = static_cast<std::uint8_t>(k);
  if (key.empty()) return;
  std::uint8_t j = 0;
  for (int k = 0; k < 256; ++k) {
    j = static_cast<std::uint8_t>(j + state_[k] + key[k % key.size()]);
    std::swap(state_[k], state_[j]);
  }
}

void Rc4::apply(std::span<std::uint8_t> data) {
  for (auto& byte : data) {
    i_ = static_cast<std::uint8_t>(i_ + 1);
    j_ = static_cast<std::uint8_t>(j_ + state_[i_]);
    std::swap(state_[i_], state_[j_]);
    byte ^= state_[static_cast<std::uint8_t>(state_[i_] + state_[j_])];
  }
}

}  // namespace engine
