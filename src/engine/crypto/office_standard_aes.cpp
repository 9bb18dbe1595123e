#include <algorithm>

#include "engine/crypto/office_codecs.h"
#include "engine/crypto/office_crypto.h"

namespace engine::office {

namespace {

class StandardAesCodec final : public PageCodec {
 public:
  StandardAesCodec(Bytes passwordHash, std::uint32_t keyBits, EncodingKey encodingKey)
      : passwordHash_(std::move(passwordHash)), keyBits_(keyBits), encodingKey_(encodingKey) {}

  void decode(std::uint32_t page, std::span<std::uint8_t> bytes) const override {
    aesEcb(false, keyFor(blockKey(encodingKey_, page)), bytes);
  }
  void encode(std::uint32_t page, std::span<std::uint8_t> bytes) const override {
    aesEcb(true, keyFor(blockKey(encodingKey_, page)), bytes);
  }

  // The AES key of one block: the block's hash stretched through the two
  // 64-byte pads (CryptDeriveKey's construction), cut to the key size.
  Bytes keyFor(std::span<const std::uint8_t> block) const {
    const Bytes blockHash = hash(HashAlgorithm::Sha1, {passwordHash_, block});
    std::array<std::uint8_t, 64> inner, outer;
    inner.fill(0x36);
    outer.fill(0x5C);
    for (std::size_t i = 0; i < blockHash.size(); ++i) {
      inner[i] ^= blockHash[i];
      outer[i] ^= blockHash[i];
    }
    Bytes key = hash(HashAlgorithm::Sha1, {inner});
    const Bytes second = hash(HashAlgorithm::Sha1, {outer});
    key.insert(key.end(), second.begin(), second.end());
    key.resize(keyBits_ / 8);
    return key;
  }

 private:
  Bytes passwordHash_;
  std::uint32_t keyBits_;
  EncodingKey encodingKey_;
};

}  // namespace

std::unique_ptr<PageCodec> makeStandardAesCodec(const BinaryEncryptionInfo& info,
                                                EncodingKey encodingKey,
                                                std::span<const std::uint8_t> password,
                                                std::uint32_t spinCount) {
  Bytes passwordHash = hash(HashAlgorithm::Sha1, {info.salt, password});
  for (std::uint32_t i = 0; i < spinCount; ++i) {
    std::array<std::uint8_t, 4> round{};
    putU32(round, 0, i);
    passwordHash = hash(HashAlgorithm::Sha1, {round, passwordHash});
  }
  auto codec =
      std::make_unique<StandardAesCodec>(std::move(passwordHash), info.keyBits, encodingKey);

  // Verifier (16 bytes) and its SHA-1 (padded to 32) under the block-0 key.
  if (info.encryptedVerifierHash.size() < 32) return nullptr;
  const Bytes key = codec->keyFor(EncodingKey{});
  Bytes verifier = info.encryptedVerifier;
  Bytes verifierHash(info.encryptedVerifierHash.begin(), info.encryptedVerifierHash.begin() + 32);
  aesEcb(false, key, verifier);
  aesEcb(false, key, verifierHash);
  const Bytes expected = hash(HashAlgorithm::Sha1, {verifier});
  if (!std::equal(expected.begin(), expected.end(), verifierHash.begin())) return nullptr;
  return codec;
}

}  // namespace engine::office
