#pragma once

#include "engine/base/internal.h"

// The XML descriptor of Agile encryption (provider version 4.4): the data
// key's parameters (keyData) and the password key encryptor
// (p:encryptedKey) that holds the data key, enciphered under the password.

#include <cstdint>
#include <string>

#include "engine/crypto/office_crypto.h"
#include "engine/format/bounded_bytes.h"
#include "engine/format/byte_order.h"

namespace engine::office {

struct AgileCipher {
  Bytes salt;
  std::uint32_t blockSize = 16;
  std::uint32_t keyBits = 256;
  HashAlgorithm hash = HashAlgorithm::Sha512;
};

struct AgileDescriptor {
  AgileCipher keyData;      // enciphers the pages
  AgileCipher passwordKey;  // enciphers the data key
  std::uint32_t spinCount = 100000;
  Bytes encryptedVerifierHashInput;
  Bytes encryptedVerifierHashValue;
  Bytes encryptedKeyValue;
};

// Parses the provider bytes after the length prefix (version 4.4, the
// reserved word, then the XML). Throws Error::damaged for malformed
// descriptors and Error::unsupported for ciphers other than AES-CBC.
AgileDescriptor parseAgileDescriptor(const BoundedBytes& blob);

// The provider bytes for `descriptor`, in the form Access writes.
Bytes writeAgileDescriptor(const AgileDescriptor& descriptor);

}  // namespace engine::office
