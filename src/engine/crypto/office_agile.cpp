#include <algorithm>

#include "engine/crypto/office_codecs.h"
#include "engine/crypto/office_crypto.h"
#include "engine/crypto/office_encryption.h"

namespace engine::office {

namespace {

// The constants that key the three values of the password key encryptor.
constexpr std::array<std::uint8_t, 8> kVerifierInputBlock{0xFE, 0xA7, 0xD2, 0x76,
                                                          0x3B, 0x4B, 0x9E, 0x79};
constexpr std::array<std::uint8_t, 8> kVerifierValueBlock{0xD7, 0xAA, 0x0F, 0x6D,
                                                          0x30, 0x61, 0x34, 0x4E};
constexpr std::array<std::uint8_t, 8> kKeyValueBlock{0x14, 0x6E, 0x0B, 0xE7,
                                                     0xAB, 0xAC, 0xD0, 0xD6};
// Keys and IVs shorter than needed are padded with this byte.
constexpr std::uint8_t kPad = 0x36;

Bytes passwordHash(const AgileDescriptor& descriptor, std::span<const std::uint8_t> password) {
  return stretchPassword(descriptor.passwordKey.hash, descriptor.passwordKey.salt, password,
                         descriptor.spinCount);
}

// One of the password key encryptor's values, enciphered or deciphered in place.
void cipherValue(bool encrypt, const AgileCipher& cipher, std::span<const std::uint8_t> stretched,
                 std::span<const std::uint8_t> block, Bytes& value) {
  const Bytes key = fitted(hash(cipher.hash, {stretched, block}), cipher.keyBits / 8, kPad);
  const Bytes iv = fitted(cipher.salt, cipher.blockSize, kPad);
  aesCbc(encrypt, key, iv, value);
}

class AgileCodec final : public PageCodec {
 public:
  AgileCodec(Bytes dataKey, AgileCipher keyData, EncodingKey encodingKey)
      : dataKey_(std::move(dataKey)), keyData_(std::move(keyData)), encodingKey_(encodingKey) {}

  void decode(std::uint32_t page, std::span<std::uint8_t> bytes) const override {
    aesCbc(false, dataKey_, ivFor(page), bytes);
  }
  void encode(std::uint32_t page, std::span<std::uint8_t> bytes) const override {
    aesCbc(true, dataKey_, ivFor(page), bytes);
  }

 private:
  // Each page's IV: the hash of the key data's salt and the page's block key.
  Bytes ivFor(std::uint32_t page) const {
    const auto block = blockKey(encodingKey_, page);
    return fitted(hash(keyData_.hash, {keyData_.salt, block}), keyData_.blockSize, kPad);
  }

  Bytes dataKey_;
  AgileCipher keyData_;
  EncodingKey encodingKey_;
};

}  // namespace

std::unique_ptr<PageCodec> makeAgileCodec(const AgileDescriptor& descriptor,
                                          EncodingKey encodingKey,
                                          std::span<const std::uint8_t> password) {
  const Bytes stretched = passwordHash(descriptor, password);
  Bytes input = descriptor.encryptedVerifierHashInput;
  Bytes value = descriptor.encryptedVerifierHashValue;
  Bytes key = descriptor.encryptedKeyValue;
  cipherValue(false, descriptor.passwordKey, stretched, kVerifierInputBlock, input);
  cipherValue(false, descriptor.passwordKey, stretched, kVerifierValueBlock, value);
  cipherValue(false, descriptor.passwordKey, stretched, kKeyValueBlock, key);

  input.resize(std::min(input.size(), descriptor.passwordKey.salt.size()));
  const Bytes expected = hash(descriptor.passwordKey.hash, {input});
  if (value.size() < expected.size() ||
      !std::equal(expected.begin(), expected.end(), value.begin()))
    return nullptr;
  key.resize(descriptor.keyData.keyBits / 8);
  return std::make_unique<AgileCodec>(std::move(key), descriptor.keyData, encodingKey);
}

}  // namespace engine::office

namespace engine {

NewOfficeEncryption createAgileEncryption(std::array<std::uint8_t, 4> encodingKey,
                                          std::u16string_view password, std::uint32_t spinCount) {
  using namespace office;
  AgileDescriptor descriptor;
  descriptor.keyData.salt = randomBytes(16);
  descriptor.passwordKey.salt = randomBytes(16);
  descriptor.spinCount = spinCount;

  const Bytes passwordUnits = passwordBytes(password);
  const Bytes stretched = passwordHash(descriptor, passwordUnits);
  const Bytes dataKey = randomBytes(descriptor.keyData.keyBits / 8);
  const Bytes verifierInput = randomBytes(descriptor.passwordKey.salt.size());
  descriptor.encryptedVerifierHashInput = verifierInput;
  descriptor.encryptedVerifierHashValue = hash(descriptor.passwordKey.hash, {verifierInput});
  descriptor.encryptedKeyValue = dataKey;
  cipherValue(true, descriptor.passwordKey, stretched, kVerifierInputBlock,
              descriptor.encryptedVerifierHashInput);
  cipherValue(true, descriptor.passwordKey, stretched, kVerifierValueBlock,
              descriptor.encryptedVerifierHashValue);
  cipherValue(true, descriptor.passwordKey, stretched, kKeyValueBlock,
              descriptor.encryptedKeyValue);

  const Bytes provider = writeAgileDescriptor(descriptor);
  NewOfficeEncryption created;
  // Its length, then the description itself.
  created.providerBlob.assign(2 + provider.size(), 0);
  putU16(created.providerBlob, 0, static_cast<std::uint16_t>(provider.size()));
  std::copy(provider.begin(), provider.end(), created.providerBlob.begin() + 2);
  created.codec = std::make_unique<AgileCodec>(dataKey, descriptor.keyData, encodingKey);
  return created;
}

}  // namespace engine
