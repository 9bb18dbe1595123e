#include "engine/crypto/office_binary_info.h"

#include <algorithm>
#include <cctype>

namespace engine::office {

namespace {

constexpr std::size_t kFixedHeaderSize = 32;  // eight u32 before the provider name
constexpr std::size_t kVerifierSize = 16;

bool namesBaseProvider(const std::u16string& name) {
  std::string lower;
  for (char16_t c : name) lower.push_back(static_cast<char>(std::tolower(c < 0x80 ? c : '?')));
  return lower.find(" base ") != std::string::npos;
}

}  // namespace

BinaryEncryptionInfo parseBinaryEncryptionInfo(const BoundedBytes& blob) {
  BinaryEncryptionInfo info;
  const std::uint32_t headerSize = blob.u32(8);
  if (headerSize < kFixedHeaderSize) blob.fail("the encryption header is too short");
  const BoundedBytes header = blob.sub(12, headerSize);
  info.flags = header.u32(0);
  info.algorithm = header.u32(8);
  info.hashAlgorithm = header.u32(12);
  info.keyBits = header.u32(16);
  for (std::size_t at = kFixedHeaderSize; at + 1 < header.size(); at += 2) {
    const char16_t unit = header.u16(at);
    if (unit == 0) break;
    info.providerName.push_back(unit);
  }
  // A key size of 0 means the provider's default.
  if (info.keyBits == 0)
    info.keyBits = info.providerName.empty() || namesBaseProvider(info.providerName) ? 40 : 128;

  std::size_t at = 12 + headerSize;
  const std::uint32_t saltSize = blob.u32(at);
  if (saltSize != 16) blob.fail("the encryption salt is not 16 bytes");
  auto take = [&](std::size_t length) {
    auto bytes = blob.slice(at, length);
    at += length;
    return Bytes(bytes.begin(), bytes.end());
  };
  at += 4;
  info.salt = take(saltSize);
  info.encryptedVerifier = take(kVerifierSize);
  info.verifierHashSize = blob.u32(at);
  at += 4;
  info.encryptedVerifierHash = take(blob.size() - std::min(at, blob.size()));
  if (info.verifierHashSize == 0 || info.verifierHashSize > info.encryptedVerifierHash.size())
    blob.fail("the encryption verifier hash is shorter than its stated size");
  return info;
}

}  // namespace engine::office
