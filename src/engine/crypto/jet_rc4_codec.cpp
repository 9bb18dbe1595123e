#include "engine/crypto/jet_rc4_codec.h"

#include "engine/crypto/rc4.h"

namespace engine {
namespace {

class JetRc4Codec final : public PageCodec {
 public:
  explicit JetRc4Codec(std::array<std::uint8_t, 4> key) : key_(key) {}

  void decode(std::uint32_t page, std::span<std::uint8_t> bytes) const override {
    apply(page, bytes);
  }
  // RC4 is its own inverse.
  void encode(std::uint32_t page, std::span<std::uint8_t> bytes) const override {
    apply(page, bytes);
  }

 private:
  void apply(std::uint32_t page, std::span<std::uint8_t> bytes) const {
    Rc4 rc4(blockKey(key_, page));
    rc4.apply(bytes);
  }

  std::array<std::uint8_t, 4> key_;
};

}  // namespace

std::unique_ptr<PageCodec> makeJetRc4Codec(std::array<std::uint8_t, 4> encodingKey) {
  return std::make_unique<JetRc4Codec>(encodingKey);
}

}  // namespace engine
