#pragma once

#include "engine/base/internal.h"

// The binary EncryptionInfo of provider versions 2.2, 3.2 and 4.2 (ECMA-376
// "standard" and RC4 CryptoAPI): an EncryptionHeader naming the algorithms,
// then an EncryptionVerifier that checks the password.

#include <cstdint>
#include <string>

#include "engine/format/bounded_bytes.h"
#include "engine/format/byte_order.h"

namespace engine::office {

inline constexpr std::uint32_t kFlagCryptoApi = 0x04;
inline constexpr std::uint32_t kFlagExternal = 0x10;
inline constexpr std::uint32_t kFlagAes = 0x20;

inline constexpr std::uint32_t kAlgorithmRc4 = 0x6801;
inline constexpr std::uint32_t kAlgorithmAes128 = 0x660E;
inline constexpr std::uint32_t kAlgorithmAes192 = 0x660F;
inline constexpr std::uint32_t kAlgorithmAes256 = 0x6610;

struct BinaryEncryptionInfo {
  std::uint32_t flags = 0;
  std::uint32_t algorithm = 0;
  std::uint32_t hashAlgorithm = 0;
  std::uint32_t keyBits = 0;  // after the provider's default for 0
  std::u16string providerName;
  Bytes salt;
  Bytes encryptedVerifier;  // 16 bytes
  std::uint32_t verifierHashSize = 0;
  Bytes encryptedVerifierHash;  // the rest of the blob

  [[nodiscard]] bool isAes() const {
    return algorithm == kAlgorithmAes128 || algorithm == kAlgorithmAes192 ||
           algorithm == kAlgorithmAes256;
  }
};

// Parses `blob` (the provider bytes after the length prefix, starting with
// the version numbers). Malformed input throws Error::damaged.
BinaryEncryptionInfo parseBinaryEncryptionInfo(const BoundedBytes& blob);

}  // namespace engine::office
