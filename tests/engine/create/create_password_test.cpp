// The database password of a new Jet 4 file: stored masked in the header
// page, the file still readable by mdb-reader (a Jet password encrypts nothing).

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/error.h"
#include "engine/new_database.h"
#include "engine/read/header_page.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "support/shared_dir.h"

namespace {

using engine::NewDatabase;

// Decodes the password field of a header page as a reader would.
std::u16string storedPassword(std::vector<std::uint8_t> page) {
  engine::toggleHeaderObfuscation(page, engine::Format{});
  double created = 0;
  std::memcpy(&created, page.data() + 0x72, sizeof created);
  const auto mask = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(created)));
  std::u16string password;
  for (std::size_t i = 0; i < 40; i += 2) {
    auto low = page[0x42 + i] ^ static_cast<std::uint8_t>(mask >> (8 * (i % 4)));
    auto high = page[0x42 + i + 1] ^ static_cast<std::uint8_t>(mask >> (8 * ((i + 1) % 4)));
    auto c = static_cast<char16_t>(low | (high << 8));
    if (c == 0) break;
    password += c;
  }
  return password;
}

class CreatePasswordTest : public ::testing::Test {
 protected:
  NewDatabase withTable(std::u16string password) const {
    NewDatabase db;
    db.password = std::move(password);
    db.creationDate = 44568.68;
    db.tables.push_back(
        {u"T", {{u"A", engine::NewColumn::Type::Text, 10}}, {}, {{engine::Text(u"x")}}});
    return db;
  }
  testsupport::TempDir dir_;
};

TEST_F(CreatePasswordTest, StoredMaskedAndDecodesBack) {
  for (std::u16string password : {u"secret", u"Pässwörd 20 chars ok", u"a"}) {
    auto path = dir_.path() / "password.mdb";
    engine::createDatabase(path, withTable(password));
    auto page = createtest::readPage(path, 0);
    EXPECT_EQ(storedPassword(page), password);
  }
}

TEST_F(CreatePasswordTest, MaskUsesTheWholeDaysOfTheCreationDate) {
  // Creation date 44568.68 -> 44568 = 0x0000AE18: an empty password reads as
  // 18 AE 00 00 repeated once the header is de-obfuscated.
  auto path = dir_.path() / "nopassword.mdb";
  engine::createDatabase(path, withTable(u""));
  auto page = createtest::readPage(path, 0);
  engine::toggleHeaderObfuscation(page, engine::Format{});
  for (std::size_t i = 0; i < 40; i += 4) {
    EXPECT_EQ(page[0x42 + i], 0x18);
    EXPECT_EQ(page[0x42 + i + 1], 0xAE);
    EXPECT_EQ(page[0x42 + i + 2], 0x00);
    EXPECT_EQ(page[0x42 + i + 3], 0x00);
  }
  EXPECT_EQ(storedPassword(createtest::readPage(path, 0)), u"");
}

TEST_F(CreatePasswordTest, FileStaysReadable) {
  SKIP_WITHOUT_MDB_READER();
  auto path = dir_.path() / "password.mdb";
  engine::createDatabase(path, withTable(u"secret"));
  for (std::string password : {"", "secret"}) {
    auto tables = createtest::mdbReaderTables(path, password);
    EXPECT_EQ(tables.value("T").toObject().value("rows").toArray().size(), 1) << password;
  }
  if (createtest::haveMdbTools()) {
    EXPECT_EQ(createtest::mdbExport(path, "T").size(), 2u);
  }
}

TEST_F(CreatePasswordTest, RefusesPasswordsItCannotStore) {
  auto db = withTable(std::u16string(21, u'x'));
  EXPECT_THROW(engine::createDatabase(dir_.path() / "long.mdb", db), engine::Error);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "long.mdb"));
}

}  // namespace
