// The encryption description of page 0: providers and ciphers the engine
// does not handle are named as such, malformed descriptions are damage, and
// only a failed verifier means a wrong password.

#include <gtest/gtest.h>

#include <fstream>

#include "engine/crypto/agile_descriptor.h"
#include "engine/crypto/office_crypto.h"
#include "engine/database.h"
#include "engine/error.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using engine::Bytes;
namespace office = engine::office;

constexpr std::size_t kProvider = 0x299;

// An encrypted .accdb made by the writer, as bytes.
Bytes encryptedFile() {
  testsupport::TempDir dir;
  const auto path = testsupport::makeDatabase(
      dir.path() / "e.accdb", {{u"T", {testsupport::textColumn(u"X")}, {}, {{engine::Text(u"x")}}}},
      u"pw");
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// `file` with its provider description replaced by `blob`.
Bytes withProvider(Bytes file, const Bytes& blob) {
  file[kProvider] = static_cast<std::uint8_t>(blob.size());
  file[kProvider + 1] = static_cast<std::uint8_t>(blob.size() >> 8);
  std::copy(blob.begin(), blob.end(), file.begin() + kProvider + 2);
  return file;
}

Bytes providerOf(const Bytes& file) {
  const std::size_t length = file[kProvider] | (file[kProvider + 1] << 8);
  return Bytes(file.begin() + kProvider + 2, file.begin() + kProvider + 2 + length);
}

engine::Error openError(Bytes file, const std::u16string& password = u"pw") {
  try {
    engine::Database::open(engine::makeMemoryFile(std::move(file), "e.accdb"),
                           {.password = password});
  } catch (const engine::Error& e) {
    return e;
  }
  ADD_FAILURE() << "opened";
  return engine::Error(engine::ErrorKind::Damaged, "");
}

Bytes replaced(const Bytes& blob, std::string_view from, std::string_view to) {
  std::string text(blob.begin(), blob.end());
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return Bytes(text.begin(), text.end());
}

TEST(OfficeEncryption, ProvidersItCannotUseAreNamedNotTakenForAWrongPassword) {
  const Bytes file = encryptedFile();
  for (const auto& [version, fragment] :
       {std::pair{Bytes{4, 0, 3, 0, 0, 0, 0, 0}, "external provider"},
        std::pair{Bytes{1, 0, 1, 0, 0, 0, 0, 0}, "provider version 1.1"},
        std::pair{Bytes{9, 0, 9, 0, 0, 0, 0, 0}, "provider version 9.9"}}) {
    const engine::Error error = openError(withProvider(file, version));
    EXPECT_NE(error.description().find(fragment), std::string::npos) << error.description();
    EXPECT_EQ(error.kind(), engine::ErrorKind::Unsupported);
  }
  const Bytes agile = providerOf(file);
  const engine::Error des = openError(
      withProvider(file, replaced(agile, "cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"DES\"")));
  EXPECT_NE(des.description().find("encryption with DES"), std::string::npos) << des.description();
  EXPECT_EQ(des.kind(), engine::ErrorKind::Unsupported);
}

TEST(OfficeEncryption, MalformedDescriptionsAreDamage) {
  const Bytes file = encryptedFile();
  const Bytes agile = providerOf(file);
  for (const auto& [from, to] :
       {std::pair{"encryptedKeyValue=", "encryptedKeyVALUE="},
        std::pair{"keyBits=\"256\"", "keyBits=\"25x\""}, std::pair{"<keyData ", "<keyDate "},
        std::pair{"spinCount=\"100000\"", "spinCount=\"99999999\""}}) {
    SCOPED_TRACE(from);
    const engine::Error error = openError(withProvider(file, replaced(agile, from, to)));
    EXPECT_EQ(error.kind(), engine::ErrorKind::Damaged) << error.description();
  }
  // A length running past the header page.
  Bytes tooLong = file;
  tooLong[kProvider + 1] = 0x0F;
  EXPECT_EQ(openError(tooLong).kind(), engine::ErrorKind::Damaged);
}

TEST(OfficeEncryption, OnlyTheVerifierDecidesThePassword) {
  const Bytes file = encryptedFile();
  EXPECT_EQ(openError(file, u"PW").kind(), engine::ErrorKind::WrongPassword);
  EXPECT_EQ(openError(file, u"").kind(), engine::ErrorKind::WrongPassword);
  // Passwords are cut at 255 characters, as Access cuts them.
  EXPECT_EQ(office::passwordBytes(std::u16string(300, u'a')).size(), 510u);
}

TEST(OfficeEncryption, AgileDescriptorRoundTrips) {
  office::AgileDescriptor descriptor;
  descriptor.keyData.salt = office::randomBytes(16);
  descriptor.passwordKey = {office::randomBytes(16), 16, 128, office::HashAlgorithm::Sha1};
  descriptor.spinCount = 12345;
  descriptor.encryptedVerifierHashInput = office::randomBytes(16);
  descriptor.encryptedVerifierHashValue = office::randomBytes(32);
  descriptor.encryptedKeyValue = office::randomBytes(32);
  const Bytes blob = office::writeAgileDescriptor(descriptor);
  const std::string path = "x.accdb";
  const auto parsed = office::parseAgileDescriptor(engine::BoundedBytes(blob, 0, path));
  EXPECT_EQ(parsed.keyData.salt, descriptor.keyData.salt);
  EXPECT_EQ(parsed.keyData.keyBits, 256u);
  EXPECT_EQ(parsed.keyData.hash, office::HashAlgorithm::Sha512);
  EXPECT_EQ(parsed.passwordKey.salt, descriptor.passwordKey.salt);
  EXPECT_EQ(parsed.passwordKey.keyBits, 128u);
  EXPECT_EQ(parsed.passwordKey.hash, office::HashAlgorithm::Sha1);
  EXPECT_EQ(parsed.spinCount, 12345u);
  EXPECT_EQ(parsed.encryptedVerifierHashInput, descriptor.encryptedVerifierHashInput);
  EXPECT_EQ(parsed.encryptedVerifierHashValue, descriptor.encryptedVerifierHashValue);
  EXPECT_EQ(parsed.encryptedKeyValue, descriptor.encryptedKeyValue);
}

TEST(OfficeEncryption, Base64RoundTripsEveryPaddingAndRefusesJunk) {
  for (std::size_t length = 0; length < 8; ++length) {
    const Bytes bytes = office::randomBytes(length);
    EXPECT_EQ(office::fromBase64(office::toBase64(bytes)), bytes) << length;
  }
  EXPECT_EQ(office::toBase64(Bytes{'M', 'a'}), "TWE=");
  EXPECT_FALSE(office::fromBase64("TWE"));
  EXPECT_FALSE(office::fromBase64("T!E="));
}

}  // namespace
