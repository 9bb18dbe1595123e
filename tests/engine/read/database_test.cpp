// The Database API over corpus files: passwords, table lookup, name order,
// index definitions and the page cache.

#include "engine/database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include "engine/error.h"
#include "engine/format/layout_header.h"
#include "engine/pager/pager.h"
#include "engine/read/header_page.h"
#include "engine/simple_case.h"
#include "engine/support/corpus_files.h"
#include "engine/support/call_counting_file.h"
#include "engine/utf.h"
#include "support/shared_dir.h"

namespace {

using enginetest::corpusFile;

std::unique_ptr<engine::Database> openCorpus(const std::string& name,
                                             engine::OpenOptions options = {}) {
  return engine::Database::open(corpusFile(name).string(), options);
}

void expectNotValidPassword(const std::string& path, const std::u16string& password) {
  engine::OpenOptions options;
  options.password = password;
  try {
    engine::Database::open(path, options);
    FAIL() << "opened with password '" << engine::toUtf8(password) << "'";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::WrongPassword);
    EXPECT_EQ(e.description(), "Not a valid password.");
  }
}

TEST(Passwords, Jet4PasswordMustMatchExactly) {
  SKIP_WITHOUT_CORPUS();
  std::string path = corpusFile("mdbreader-password-V2000_with-password.mdb").string();
  expectNotValidPassword(path, u"");
  expectNotValidPassword(path, u"Password");
  expectNotValidPassword(path, u"password ");
  engine::OpenOptions options;
  options.password = u"password";
  auto db = engine::Database::open(path, options);
  EXPECT_EQ(db->header().password, u"password");
  EXPECT_FALSE(db->userTableNames().empty());
}

TEST(Passwords, PasswordForADatabaseWithoutOneIsIgnored) {
  SKIP_WITHOUT_CORPUS();
  engine::OpenOptions options;
  options.password = u"anything";
  for (const char* name : {"delColTestV2000.mdb", "testV1997.mdb", "testV2007.accdb"}) {
    auto db = openCorpus(name, options);
    EXPECT_TRUE(db->header().password.empty()) << name;
  }
}

// Writes `password` into a copy's header the way Jet 3 stores it.
TEST(Passwords, Jet3PasswordIsCheckedFromTheHeader) {
  SKIP_WITHOUT_CORPUS();
  testsupport::TempDir dir;
  auto bytes = enginetest::readBytes(corpusFile("testV1997.mdb"));
  auto format = *engine::Format::fromVersionByte(0);
  std::span<std::uint8_t> page0(bytes.data(), 2048);
  engine::toggleHeaderObfuscation(page0, format);
  const char secret[] = "Ab3";
  std::memcpy(&bytes[engine::layout::header::kPassword], secret, 3);
  engine::toggleHeaderObfuscation(page0, format);
  auto path = dir.path() / "jet3-password.mdb";
  enginetest::writeBytes(path, bytes);

  expectNotValidPassword(path.string(), u"");
  expectNotValidPassword(path.string(), u"ab3");
  engine::OpenOptions options;
  options.password = u"Ab3";
  EXPECT_NO_THROW(engine::Database::open(path.string(), options));
}

TEST(CodePages, Jet3FileInAnotherCodePageIsRefused) {
  SKIP_WITHOUT_CORPUS();
  testsupport::TempDir dir;
  auto bytes = enginetest::readBytes(corpusFile("testV1997.mdb"));
  auto format = *engine::Format::fromVersionByte(0);
  std::span<std::uint8_t> page0(bytes.data(), 2048);
  engine::toggleHeaderObfuscation(page0, format);
  bytes[engine::layout::header::kCodePage] = 0xE3;  // 1251 = 0x04E3
  engine::toggleHeaderObfuscation(page0, format);
  auto path = dir.path() / "cyrillic.mdb";
  enginetest::writeBytes(path, bytes);
  try {
    engine::Database::open(path.string());
    FAIL();
  } catch (const engine::Error& e) {
    EXPECT_NE(e.description().find("code page 1251"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("cyrillic.mdb"), std::string::npos) << e.description();
  }
}

// The read-only mark holds for everyone, root included.
TEST(OpenModes, WritableOpenOfAReadOnlyFileFails) {
  SKIP_WITHOUT_CORPUS();
  testsupport::TempDir dir;
  auto path = enginetest::writableCopy("testV2007.accdb", dir.path());
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  engine::OpenOptions options;
  options.writable = true;
  try {
    engine::Database::open(path.string(), options);
    FAIL();
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::ReadOnly);
  }
  options.writable = false;
  EXPECT_NO_THROW(engine::Database::open(path.string(), options));
}

TEST(OpenModes, WritableOpenReadsLikeReadOnly) {
  SKIP_WITHOUT_CORPUS();
  testsupport::TempDir dir;
  auto path = enginetest::writableCopy("delColTestV2000.mdb", dir.path());
  engine::OpenOptions options;
  options.writable = true;
  auto db = engine::Database::open(path.string(), options);
  EXPECT_TRUE(db->writable());
  EXPECT_FALSE(db->userTableNames().empty());
  db.reset();
  EXPECT_EQ(enginetest::readBytes(path), enginetest::readBytes(corpusFile("delColTestV2000.mdb")))
      << "opening for writing changes nothing";
}

TEST(Tables, LookupIgnoresCaseAndUnknownNamesFail) {
  SKIP_WITHOUT_CORPUS();
  auto db = openCorpus("testV2007.accdb");
  EXPECT_EQ(db->table(u"table1").name, u"Table1");
  try {
    db->table(u"No Such Table");
    FAIL();
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::UnknownTable);
    EXPECT_NE(e.description().find("No Such Table"), std::string::npos);
  }
}

TEST(Tables, LinkedTablesAndQueriesHaveNoLocalDefinition) {
  SKIP_WITHOUT_CORPUS();
  auto db = openCorpus("linkerTestV2007.accdb");
  const auto& catalogue = db->catalogue();
  auto link = std::find_if(catalogue.begin(), catalogue.end(), [](const auto& entry) {
    return entry.type == engine::object_type::kLinkedTable;
  });
  ASSERT_NE(link, catalogue.end());
  EXPECT_THROW(db->table(link->name), engine::Error);
  const auto* entry = db->findObject(link->name);
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->hasDatabase);
  EXPECT_TRUE(entry->hasForeignName);
}

TEST(Tables, ColumnsComeInColumnNumberOrder) {
  SKIP_WITHOUT_CORPUS();
  auto db = openCorpus("testV1997.mdb");
  const auto& table = db->table(u"Table1");
  ASSERT_EQ(table.columns.size(), 9u);
  for (std::size_t i = 1; i < table.columns.size(); ++i)
    EXPECT_LT(table.columns[i - 1].number, table.columns[i].number);
  EXPECT_EQ(table.columnIndex(u"a"), 0);
  EXPECT_EQ(table.columnIndex(u"I"), 8);
  EXPECT_EQ(table.columnIndex(u"Z"), -1);
}

TEST(Properties, CalculatedColumnsKnowTheirExpressionAndResultType) {
  SKIP_WITHOUT_CORPUS();
  auto db = openCorpus("extDateTestV2019.accdb");
  const auto& table = db->table(u"Table1");
  const auto& calculated = table.columns[table.columnIndex(u"DateNormalCalc")];
  EXPECT_TRUE(calculated.isCalculated());
  EXPECT_EQ(calculated.resultType, 0x08);
  const auto* expression = calculated.property(u"expression");
  ASSERT_NE(expression, nullptr);
  EXPECT_EQ(expression->value.text(), u"[DateNormal]");
  EXPECT_FALSE(table.columns[table.columnIndex(u"DateNormal")].isCalculated());
}

TEST(Properties, AppendOnlyMemoIsMarked) {
  SKIP_WITHOUT_CORPUS();
  auto db = openCorpus("complexDataTestV2007.accdb");
  const auto& table = db->table(u"Table1");
  auto appendOnly = [&](const char16_t* name) {
    const auto* property = table.columns[table.columnIndex(name)].property(u"AppendOnly");
    return property && property->value.is<bool>() && property->value.as<bool>();
  };
  EXPECT_TRUE(appendOnly(u"append-memo-data"));
  EXPECT_FALSE(appendOnly(u"memo-data"));
}

TEST(Indexes, DescendingIndexColumnsAreRecorded) {
  SKIP_WITHOUT_CORPUS();
  auto db = openCorpus("testIndexCodesV1997.mdb");
  auto hasDescending = [&](const std::u16string& name) {
    const auto& table = db->table(name);
    for (const auto& index : table.realIndexes)
      for (const auto& column : index.columns)
        if (!column.ascending) return true;
    return false;
  };
  EXPECT_TRUE(hasDescending(u"Table1_desc"));
  EXPECT_FALSE(hasDescending(u"Table1"));
}

TEST(Indexes, KeysNameTheirColumnsRootPageAndKind) {
  SKIP_WITHOUT_CORPUS();
  auto db = openCorpus("indexTestV2003.mdb");
  const auto& table = db->table(u"Table1");
  int primary = 0, foreign = 0;
  for (const auto& index : table.indexes) {
    const auto& real = table.realIndexOf(index);
    EXPECT_FALSE(index.name.empty());
    EXPECT_GT(real.rootPage, 0u);
    EXPECT_LT(real.rootPage, db->pager().pageCount());
    auto root = db->pager().page(real.rootPage);
    EXPECT_TRUE((*root)[0] == 0x03 || (*root)[0] == 0x04) << "root is an index page";
    ASSERT_FALSE(real.columns.empty());
    for (const auto& column : real.columns) EXPECT_GE(column.columnPosition, 0);
    if (index.isPrimaryKey()) {
      ++primary;
      EXPECT_TRUE(real.isUnique());
      EXPECT_EQ(index.name, u"PrimaryKey");
    }
    if (index.isForeignKey()) ++foreign;
  }
  EXPECT_EQ(primary, 1);
  EXPECT_EQ(foreign, 2);
}

TEST(Indexes, SingleColumnDescendingIndex) {
  SKIP_WITHOUT_CORPUS();
  auto db = openCorpus("compIndexTestV2010.accdb");
  const auto& table = db->table(u"Table1");
  ASSERT_EQ(table.realIndexes.size(), 1u);
  ASSERT_EQ(table.realIndexes[0].columns.size(), 1u);
  EXPECT_EQ(table.realIndexes[0].columns[0].columnPosition, table.columnIndex(u"CD_AGENTE"));
  EXPECT_FALSE(table.realIndexes[0].columns[0].ascending);
}

TEST(Pager, TinyCachesReadTheSameValues) {
  SKIP_WITHOUT_CORPUS();
  for (const char* name : {"testIndexCodesV1997.mdb", "overflowTestV2003.mdb", "test2V2010.accdb",
                           "jackcessencrypt-db-enc.mdb"}) {
    for (std::size_t capacity : {1u, 3u}) {
      SCOPED_TRACE(std::string(name) + ", cache of " + std::to_string(capacity));
      engine::OpenOptions small;
      small.cachePages = capacity;
      auto db = openCorpus(name, small);
      auto reference = openCorpus(name);
      for (const auto& table : db->userTableNames()) {
        const auto& definition = db->table(table);
        auto scan = db->scan(definition);
        auto expected = reference->scan(reference->table(table));
        engine::Row row, want;
        while (scan->next(row)) {
          ASSERT_TRUE(expected->next(want));
          EXPECT_EQ(row.values, want.values);
          EXPECT_LE(db->pager().cachedPages(), capacity);
          auto again = db->readRow(definition, row.id);
          ASSERT_TRUE(again);
          EXPECT_EQ(again->values, want.values);
        }
        EXPECT_FALSE(expected->next(want));
      }
    }
  }
}

TEST(Pager, CachedPagesAreNotReadAgain) {
  SKIP_WITHOUT_CORPUS();
  auto file = std::make_unique<enginetest::CallCountingFile>(
      engine::openDiskFile(corpusFile("testV2007.accdb").string(), false));
  enginetest::CallCountingFile* counter = file.get();
  auto db = engine::Database::open(std::move(file));
  db->pager().clear();
  int before = counter->reads;
  db->pager().page(5);
  db->pager().page(5);
  EXPECT_EQ(counter->reads, before + 1);
}

TEST(Names, OrderFollowsTheCaseInsensitiveRule) {
  EXPECT_LT(engine::compareNames(u"_x", u"abc"), 0);
  EXPECT_GT(engine::compareNames(u"~TMPCLP1", u"Zeta"), 0);
  EXPECT_LT(engine::compareNames(u"apple", u"Banana"), 0);
  EXPECT_LT(engine::compareNames(u"A", u"a"), 0) << "ties broken by raw code units";
  EXPECT_LT(engine::compareNames(u"\u00c9ta", u"\u00e9tb"), 0);
  EXPECT_EQ(engine::compareNames(u"Same", u"Same"), 0);
}

}  // namespace
