#include "engine/crypto/agile_descriptor.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <string_view>

#include "engine/error.h"

namespace engine::office {

namespace {

constexpr std::uint16_t kVersionMajor = 4;
constexpr std::uint16_t kVersionMinor = 4;
constexpr std::uint32_t kReserved = 0x40;
constexpr std::size_t kXmlStart = 8;

using Attributes = std::map<std::string, std::string, std::less<>>;

std::string_view localName(std::string_view name) {
  auto colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The attributes of each start tag named `local` (any namespace prefix), in
// document order. Enough XML for the descriptor: no entities in its values.
std::vector<Attributes> elementsNamed(std::string_view xml, std::string_view local) {
  std::vector<Attributes> found;
  std::size_t at = 0;
  while ((at = xml.find('<', at)) != std::string_view::npos) {
    ++at;
    std::size_t nameEnd = xml.find_first_of(" \t\r\n/>", at);
    if (nameEnd == std::string_view::npos) break;
    if (localName(xml.substr(at, nameEnd - at)) != local) continue;
    Attributes attributes;
    std::size_t pos = nameEnd;
    while (pos < xml.size()) {
      pos = xml.find_first_not_of(" \t\r\n", pos);
      if (pos == std::string_view::npos || xml[pos] == '>' || xml[pos] == '/') break;
      std::size_t equals = xml.find('=', pos);
      if (equals == std::string_view::npos || equals + 1 >= xml.size()) break;
      const char quote = xml[equals + 1];
      if (quote != '"' && quote != '\'') break;
      std::size_t close = xml.find(quote, equals + 2);
      if (close == std::string_view::npos) break;
      std::string_view name = xml.substr(pos, equals - pos);
      while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
      attributes.emplace(std::string(name),
                         std::string(xml.substr(equals + 2, close - equals - 2)));
      pos = close + 1;
    }
    found.push_back(std::move(attributes));
    at = nameEnd;
  }
  return found;
}

class Reader {
 public:
  Reader(const Attributes& attributes, const BoundedBytes& blob, std::string_view element)
      : attributes_(attributes), blob_(blob), element_(element) {}

  const std::string& text(std::string_view name) const {
    auto it = attributes_.find(name);
    if (it == attributes_.end())
      blob_.fail("the encryption descriptor's " + std::string(element_) + " lacks " +
                 std::string(name));
    return it->second;
  }
  std::uint32_t number(std::string_view name) const {
    const std::string& value = text(name);
    std::uint32_t number = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size())
      blob_.fail("the encryption descriptor's " + std::string(name) + " is not a number");
    return number;
  }
  Bytes bytes(std::string_view name) const {
    auto decoded = fromBase64(text(name));
    if (!decoded) blob_.fail("the encryption descriptor's " + std::string(name) + " is not base64");
    return *decoded;
  }
  AgileCipher cipher() const {
    if (text("cipherAlgorithm") != "AES" || text("cipherChaining") != "ChainingModeCBC")
      throw Error::unsupported(blob_.path(), "encryption with " + text("cipherAlgorithm") + " in " +
                                                 text("cipherChaining"));
    AgileCipher cipher;
    cipher.salt = bytes("saltValue");
    cipher.blockSize = number("blockSize");
    cipher.keyBits = number("keyBits");
    auto hash = hashAlgorithmNamed(text("hashAlgorithm"));
    if (!hash)
      throw Error::unsupported(blob_.path(), "the hash algorithm " + text("hashAlgorithm"));
    cipher.hash = *hash;
    if (cipher.blockSize != 16 || cipher.salt.size() < cipher.blockSize ||
        (cipher.keyBits != 128 && cipher.keyBits != 192 && cipher.keyBits != 256))
      blob_.fail("the encryption descriptor names an impossible AES block, key or salt size");
    return cipher;
  }

 private:
  const Attributes& attributes_;
  const BoundedBytes& blob_;
  std::string_view element_;
};

std::string cipherAttributes(const AgileCipher& cipher) {
  return "saltSize=\"" + std::to_string(cipher.salt.size()) + "\" blockSize=\"" +
         std::to_string(cipher.blockSize) + "\" keyBits=\"" + std::to_string(cipher.keyBits) +
         "\" hashSize=\"" + std::to_string(hashSize(cipher.hash)) +
         "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" +
         std::string(hashAlgorithmName(cipher.hash)) + "\" saltValue=\"" + toBase64(cipher.salt) +
         "\"";
}

}  // namespace

AgileDescriptor parseAgileDescriptor(const BoundedBytes& blob) {
  if (blob.u32(4) != kReserved) blob.fail("the Agile encryption descriptor has a bad header");
  auto xmlBytes = blob.slice(kXmlStart, blob.size() - kXmlStart);
  std::string_view xml(reinterpret_cast<const char*>(xmlBytes.data()), xmlBytes.size());

  auto keyData = elementsNamed(xml, "keyData");
  if (keyData.size() != 1) blob.fail("the encryption descriptor has no single keyData");
  // The password key encryptor is the encryptedKey with a spin count
  // (certificate encryptors, which Access does not write, have none).
  std::optional<Attributes> passwordKey;
  for (auto& key : elementsNamed(xml, "encryptedKey"))
    if (key.contains("spinCount")) passwordKey = std::move(key);
  if (!passwordKey) blob.fail("the encryption descriptor has no password key encryptor");

  AgileDescriptor descriptor;
  descriptor.keyData = Reader(keyData.front(), blob, "keyData").cipher();
  const Reader key(*passwordKey, blob, "encryptedKey");
  descriptor.passwordKey = key.cipher();
  descriptor.spinCount = key.number("spinCount");
  descriptor.encryptedVerifierHashInput = key.bytes("encryptedVerifierHashInput");
  descriptor.encryptedVerifierHashValue = key.bytes("encryptedVerifierHashValue");
  descriptor.encryptedKeyValue = key.bytes("encryptedKeyValue");
  for (const Bytes* value : {&descriptor.encryptedVerifierHashInput,
                             &descriptor.encryptedVerifierHashValue, &descriptor.encryptedKeyValue})
    if (value->empty() || value->size() % descriptor.passwordKey.blockSize != 0)
      blob.fail("an enciphered value of the encryption descriptor is not whole AES blocks");
  if (descriptor.encryptedKeyValue.size() < descriptor.keyData.keyBits / 8)
    blob.fail("the encryption descriptor's key value is shorter than its key");
  // Bounds the password check's work: Office never asks for more.
  if (descriptor.spinCount > 10'000'000)
    blob.fail("the encryption descriptor asks for more than 10,000,000 hash rounds");
  return descriptor;
}

Bytes writeAgileDescriptor(const AgileDescriptor& descriptor) {
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
      "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" "
      "xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
      "<keyData " +
      cipherAttributes(descriptor.keyData) +
      "/><keyEncryptors><keyEncryptor "
      "uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<p:encryptedKey spinCount=\"" +
      std::to_string(descriptor.spinCount) + "\" " + cipherAttributes(descriptor.passwordKey) +
      " encryptedVerifierHashInput=\"" + toBase64(descriptor.encryptedVerifierHashInput) +
      "\" encryptedVerifierHashValue=\"" + toBase64(descriptor.encryptedVerifierHashValue) +
      "\" encryptedKeyValue=\"" + toBase64(descriptor.encryptedKeyValue) +
      "\"/></keyEncryptor></keyEncryptors></encryption>";
  Bytes blob(kXmlStart + xml.size());
  putU16(blob, 0, kVersionMajor);
  putU16(blob, 2, kVersionMinor);
  putU32(blob, 4, kReserved);
  std::copy(xml.begin(), xml.end(), blob.begin() + kXmlStart);
  return blob;
}

}  // namespace engine::office
