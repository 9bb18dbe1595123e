#pragma once

#include "engine/base/internal.h"

// The cryptographic primitives of Office encryption, over OpenSSL's libcrypto:
// the hashes the descriptors name, AES in ECB and CBC mode without padding,
// base64 for the XML descriptor, and random bytes for new files.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/format/byte_order.h"

namespace engine::office {

enum class HashAlgorithm { Sha1, Sha256, Sha384, Sha512 };

// The algorithm a descriptor names ("SHA1", "SHA512", ...), if known.
[[nodiscard]] std::optional<HashAlgorithm> hashAlgorithmNamed(std::string_view name);
std::string_view hashAlgorithmName(HashAlgorithm algorithm);
std::size_t hashSize(HashAlgorithm algorithm);

// The digest of the concatenation of `parts`.
Bytes hash(HashAlgorithm algorithm, std::initializer_list<std::span<const std::uint8_t>> parts);

// The stretched password of Office encryption: H(salt ‖ password), then
// `spinCount` rounds of H(LE32(round) ‖ previous).
Bytes stretchPassword(HashAlgorithm algorithm, std::span<const std::uint8_t> salt,
                      std::span<const std::uint8_t> password, std::uint32_t spinCount);

// `bytes` cut to `size`, or padded to it with `pad`.
Bytes fitted(Bytes bytes, std::size_t size, std::uint8_t pad);

// AES with a 16, 24 or 32-byte key over whole 16-byte blocks, in place.
void aesEcb(bool encrypt, std::span<const std::uint8_t> key, std::span<std::uint8_t> data);
void aesCbc(bool encrypt, std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
            std::span<std::uint8_t> data);

// Base64 (RFC 4648, with padding). Decoding returns nothing for bad input.
std::string toBase64(std::span<const std::uint8_t> bytes);
[[nodiscard]] std::optional<Bytes> fromBase64(std::string_view text);

// Cryptographically strong random bytes.
Bytes randomBytes(std::size_t count);

// Office passwords have at most this many characters; longer ones are cut.
inline constexpr std::size_t kMaxPasswordCharacters = 255;

// A password as the ciphers take it: UTF-16LE, cut to kMaxPasswordCharacters.
Bytes passwordBytes(std::u16string_view password);

}  // namespace engine::office
