#include <algorithm>

#include "engine/crypto/office_codecs.h"
#include "engine/crypto/office_crypto.h"
#include "engine/crypto/rc4.h"

namespace engine::office {

namespace {

class Rc4CryptoApiCodec final : public PageCodec {
 public:
  Rc4CryptoApiCodec(Bytes passwordHash, std::uint32_t keyBits, EncodingKey encodingKey)
      : passwordHash_(std::move(passwordHash)), keyBits_(keyBits), encodingKey_(encodingKey) {}

  void decode(std::uint32_t page, std::span<std::uint8_t> bytes) const override {
    apply(blockKey(encodingKey_, page), bytes);
  }
  void encode(std::uint32_t page, std::span<std::uint8_t> bytes) const override {
    apply(blockKey(encodingKey_, page), bytes);
  }

  // The RC4 key of one block: SHA-1 of the password hash and the block
  // number, cut to the key size; 40-bit keys are zero-padded to 128 bits.
  Bytes keyFor(std::span<const std::uint8_t> block) const {
    Bytes key = hash(HashAlgorithm::Sha1, {passwordHash_, block});
    key.resize(keyBits_ / 8);
    if (keyBits_ == 40) key.resize(16, 0);
    return key;
  }

 private:
  void apply(EncodingKey block, std::span<std::uint8_t> bytes) const {
    Rc4 rc4(keyFor(block));
    rc4.apply(bytes);
  }

  Bytes passwordHash_;
  std::uint32_t keyBits_;
  EncodingKey encodingKey_;
};

}  // namespace

std::unique_ptr<PageCodec> makeRc4CryptoApiCodec(const BinaryEncryptionInfo& info,
                                                 EncodingKey encodingKey,
                                                 std::span<const std::uint8_t> password) {
  auto codec = std::make_unique<Rc4CryptoApiCodec>(hash(HashAlgorithm::Sha1, {info.salt, password}),
                                                   info.keyBits, encodingKey);

  // The verifier and its hash are one RC4 stream under the key of block 0.
  Bytes verifier = info.encryptedVerifier;
  Bytes verifierHash = info.encryptedVerifierHash;
  Rc4 rc4(codec->keyFor(EncodingKey{}));
  rc4.apply(verifier);
  rc4.apply(verifierHash);
  const Bytes expected = hash(HashAlgorithm::Sha1, {verifier});
  const std::size_t compared = std::min<std::size_t>(info.verifierHashSize, expected.size());
  if (!std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(compared),
                  verifierHash.begin()))
    return nullptr;
  return codec;
}

}  // namespace engine::office
