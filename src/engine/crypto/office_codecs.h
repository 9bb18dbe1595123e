#pragma once

#include "engine/base/internal.h"

// The page codecs of the Office encryption providers. Each factory checks the
// password against the provider's verifier and returns nothing when it is
// wrong. Key sizes have been checked against the algorithm by the caller.

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/crypto/agile_descriptor.h"
#include "engine/crypto/office_binary_info.h"
#include "engine/pager/page_codec.h"

namespace engine::office {

using EncodingKey = std::array<std::uint8_t, 4>;

// RC4 keyed per page by SHA-1 of the password hash and the page's block key.
std::unique_ptr<PageCodec> makeRc4CryptoApiCodec(const BinaryEncryptionInfo& info,
                                                 EncodingKey encodingKey,
                                                 std::span<const std::uint8_t> password);

// AES-ECB keyed per page; `spinCount` hash rounds (50000 for the standard
// provider, 0 for the variant Access wrote without the AES flag).
std::unique_ptr<PageCodec> makeStandardAesCodec(const BinaryEncryptionInfo& info,
                                                EncodingKey encodingKey,
                                                std::span<const std::uint8_t> password,
                                                std::uint32_t spinCount);

// AES-CBC with one data key and a per-page IV.
std::unique_ptr<PageCodec> makeAgileCodec(const AgileDescriptor& descriptor,
                                          EncodingKey encodingKey,
                                          std::span<const std::uint8_t> password);

}  // namespace engine::office
