#include "engine/crypto/office_encryption.h"

#include <cstdio>

#include "engine/crypto/office_codecs.h"
#include "engine/crypto/office_crypto.h"
#include "engine/error.h"
#include "engine/format/bounded_bytes.h"
#include "engine/format/layout_header.h"

namespace engine {

namespace {

// Hash rounds of the ECMA-376 standard provider; Access also wrote an AES
// variant without the AES flag that uses none.
constexpr std::uint32_t kStandardSpinCount = 50000;

std::string versionText(std::uint16_t major, std::uint16_t minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

// RC4 keys are cut from one SHA-1 digest; AES keys are AES's three sizes.
bool keySizeFits(const office::BinaryEncryptionInfo& info) {
  if (info.algorithm == office::kAlgorithmRc4)
    return info.keyBits >= 40 && info.keyBits <= 160 && info.keyBits % 8 == 0;
  const std::uint32_t aesBits = info.algorithm == office::kAlgorithmAes128   ? 128
                                : info.algorithm == office::kAlgorithmAes192 ? 192
                                                                             : 256;
  return !info.isAes() || info.keyBits == aesBits;
}

// A factory gives no codec when the password does not pass the verifier.
OfficeEncryption opened(PageEncryption scheme, std::unique_ptr<PageCodec> codec) {
  if (!codec) throw Error::notValidPassword();
  return {scheme, std::move(codec)};
}

}  // namespace

OfficeEncryption openOfficeEncryption(std::span<const std::uint8_t> page0,
                                      std::array<std::uint8_t, 4> encodingKey,
                                      std::u16string_view password, const std::string& path) {
  using namespace office;
  const BoundedBytes page(page0, 0, path);
  const std::size_t blobLength = page.u16(layout::header::kEncryptionProvider);
  const BoundedBytes blob = page.sub(layout::header::kEncryptionProvider + 2, blobLength);
  const std::uint16_t major = blob.u16(0), minor = blob.u16(2);
  const Bytes passwordUnits = passwordBytes(password);

  if (major == 4 && minor == 4)
    return opened(PageEncryption::OfficeAgile,
                  makeAgileCodec(parseAgileDescriptor(blob), encodingKey, passwordUnits));
  if (minor == 2 && major >= 2 && major <= 4) {
    const BinaryEncryptionInfo info = parseBinaryEncryptionInfo(blob);
    if (info.flags & kFlagExternal)
      throw Error::unsupported(path, "encryption by an external provider");
    if (!keySizeFits(info))
      throw Error::unsupported(path, "a key of " + std::to_string(info.keyBits) +
                                         " bits for the algorithm " + hex(info.algorithm));
    if (info.algorithm == kAlgorithmRc4 && (info.flags & kFlagCryptoApi))
      return opened(PageEncryption::OfficeRc4CryptoApi,
                    makeRc4CryptoApiCodec(info, encodingKey, passwordUnits));
    if (info.isAes())
      return opened(PageEncryption::OfficeStandardAes,
                    makeStandardAesCodec(info, encodingKey, passwordUnits,
                                         (info.flags & kFlagAes) ? kStandardSpinCount : 0));
    throw Error::unsupported(path, "encryption with the algorithm " + hex(info.algorithm));
  }
  if (minor == 3 && (major == 3 || major == 4))
    throw Error::unsupported(path, "encryption by an external provider");
  throw Error::unsupported(path, "the encryption provider version " + versionText(major, minor));
}

}  // namespace engine
