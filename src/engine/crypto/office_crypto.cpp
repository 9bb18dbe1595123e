#include "engine/crypto/office_crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "engine/error.h"

namespace engine::office {

namespace {

const EVP_MD* digestOf(HashAlgorithm algorithm) {
  switch (algorithm) {
    case HashAlgorithm::Sha1:
      return EVP_sha1();
    case HashAlgorithm::Sha256:
      return EVP_sha256();
    case HashAlgorithm::Sha384:
      return EVP_sha384();
    case HashAlgorithm::Sha512:
      return EVP_sha512();
  }
  return EVP_sha1();
}

const EVP_CIPHER* aesCipher(std::size_t keyBytes, bool cbc) {
  switch (keyBytes) {
    case 16:
      return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24:
      return cbc ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 32:
      return cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
  }
  throw std::invalid_argument("AES key of " + std::to_string(keyBytes) + " bytes");
}

[[noreturn]] void cryptoFailure(const char* what) { throw Error::cryptoFailure(what); }

void aes(bool encrypt, bool cbc, std::span<const std::uint8_t> key,
         std::span<const std::uint8_t> iv, std::span<std::uint8_t> data) {
  if (data.size() % 16 != 0) throw std::invalid_argument("AES data is not whole blocks");
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                          EVP_CIPHER_CTX_free);
  if (!context ||
      EVP_CipherInit_ex(context.get(), aesCipher(key.size(), cbc), nullptr, key.data(),
                        cbc ? iv.data() : nullptr, encrypt ? 1 : 0) != 1 ||
      EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1)
    cryptoFailure("AES set-up");
  int written = 0;
  if (EVP_CipherUpdate(context.get(), data.data(), &written, data.data(),
                       static_cast<int>(data.size())) != 1 ||
      static_cast<std::size_t>(written) != data.size())
    cryptoFailure("AES");
}

}  // namespace

std::optional<HashAlgorithm> hashAlgorithmNamed(std::string_view name) {
  if (name == "SHA1" || name == "SHA-1") return HashAlgorithm::Sha1;
  if (name == "SHA256" || name == "SHA-256") return HashAlgorithm::Sha256;
  if (name == "SHA384" || name == "SHA-384") return HashAlgorithm::Sha384;
  if (name == "SHA512" || name == "SHA-512") return HashAlgorithm::Sha512;
  return std::nullopt;
}

std::string_view hashAlgorithmName(HashAlgorithm algorithm) {
  switch (algorithm) {
    case HashAlgorithm::Sha1:
      return "SHA1";
    case HashAlgorithm::Sha256:
      return "SHA256";
    case HashAlgorithm::Sha384:
      return "SHA384";
    case HashAlgorithm::Sha512:
      return "SHA512";
  }
  return "SHA1";
}

std::size_t hashSize(HashAlgorithm algorithm) {
  return static_cast<std::size_t>(EVP_MD_get_size(digestOf(algorithm)));
}

Bytes hash(HashAlgorithm algorithm, std::initializer_list<std::span<const std::uint8_t>> parts) {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                  EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), digestOf(algorithm), nullptr) != 1)
    cryptoFailure("hash set-up");
  for (auto part : parts)
    if (EVP_DigestUpdate(context.get(), part.data(), part.size()) != 1) cryptoFailure("hash");
  Bytes digest(hashSize(algorithm));
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1) cryptoFailure("hash");
  digest.resize(length);
  return digest;
}

Bytes stretchPassword(HashAlgorithm algorithm, std::span<const std::uint8_t> salt,
                      std::span<const std::uint8_t> password, std::uint32_t spinCount) {
  // Up to 100,000 rounds at every open: one context and buffer for all.
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                  EVP_MD_CTX_free);
  if (!context) cryptoFailure("hash set-up");
  const EVP_MD* digest = digestOf(algorithm);
  const std::size_t size = hashSize(algorithm);
  Bytes buffer(4 + size);
  Bytes first = hash(algorithm, {salt, password});
  std::copy(first.begin(), first.end(), buffer.begin() + 4);
  for (std::uint32_t round = 0; round < spinCount; ++round) {
    putU32(buffer, 0, round);
    unsigned int length = 0;
    if (EVP_DigestInit_ex(context.get(), digest, nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), buffer.data(), buffer.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), buffer.data() + 4, &length) != 1)
      cryptoFailure("hash");
  }
  return Bytes(buffer.begin() + 4, buffer.end());
}

Bytes fitted(Bytes bytes, std::size_t size, std::uint8_t pad) {
  bytes.resize(size, pad);
  return bytes;
}

void aesEcb(bool encrypt, std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
  aes(encrypt, false, key, {}, data);
}

void aesCbc(bool encrypt, std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
            std::span<std::uint8_t> data) {
  if (iv.size() != 16) throw std::invalid_argument("AES-CBC needs a 16-byte IV");
  aes(encrypt, true, key, iv, data);
}

std::string toBase64(std::span<const std::uint8_t> bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                     static_cast<int>(bytes.size()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::optional<Bytes> fromBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  Bytes bytes(text.size() / 4 * 3 + 1);
  const int length =
      EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                      static_cast<int>(text.size()));
  if (length < 0) return std::nullopt;
  // EVP_DecodeBlock counts the padding as zero bytes.
  std::size_t padding = 0;
  for (auto it = text.rbegin(); it != text.rend() && *it == '=' && padding < 2; ++it) ++padding;
  bytes.resize(static_cast<std::size_t>(length) - padding);
  return bytes;
}

Bytes randomBytes(std::size_t count) {
  Bytes bytes(count);
  if (count != 0 && RAND_bytes(bytes.data(), static_cast<int>(count)) != 1)
    cryptoFailure("random bytes");
  return bytes;
}

Bytes passwordBytes(std::u16string_view password) {
  password = password.substr(0, kMaxPasswordCharacters);
  Bytes bytes;
  bytes.reserve(2 * password.size());
  for (char16_t unit : password) {
    bytes.push_back(static_cast<std::uint8_t>(unit));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

}  // namespace engine::office
