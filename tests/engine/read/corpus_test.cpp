// Every corpus file, read by the engine and compared with its expected JSON:
// catalogue, tables in order, columns, row counts and every value.
//
// Row order: the engine scans header slots in page order (Jet's order); the
// expected files list an overflowed row where its bytes are stored. The
// comparison therefore orders rows by where they are stored (Row::storedAt).
// Complex columns: the engine gives the stored id; the expected attachment
// lists are reduced to that id before comparing.

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QJsonArray>
#include <filesystem>
#include <set>

#include "dump_json.h"
#include "engine/database.h"
#include "engine/error.h"
#include "engine/support/corpus_expected.h"
#include "engine/support/corpus_files.h"
#include "engine/utf.h"
#include "support/shared_dir.h"

namespace {

using enginetest::corpusFile;
using enginetest::expectedFor;

QString encryptionOf(const QJsonObject& expected) {
  return expected["format"].toObject()["encryption"].toString();
}

std::u16string passwordOf(const QJsonObject& expected) {
  return expected["password"].isString() ? expected["password"].toString().toStdU16String()
                                         : std::u16string();
}

// Complex values compare by their stored id only.
QJsonValue comparable(const QJsonValue& value) {
  if (value.isObject() && value.toObject().contains("complex_id")) {
    QJsonObject reduced;
    reduced["complex_id"] = value.toObject()["complex_id"];
    return reduced;
  }
  return value;
}

QByteArray sha256Of(const QJsonArray& rows, const std::vector<bool>& floats) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (const auto& row : rows) hash.addData(dumpjson::canonicalRow(row.toArray(), floats));
  return hash.result().toHex();
}

class CorpusFile : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_CORPUS();
    expected_ = expectedFor(GetParam());
  }
  std::unique_ptr<engine::Database> open() {
    engine::OpenOptions options;
    options.password = passwordOf(expected_);
    return engine::Database::open(corpusFile(GetParam()).string(), options);
  }
  QJsonObject expected_;
};

TEST_P(CorpusFile, OpensWithItsFormatAndEncryption) {
  auto db = open();
  EXPECT_EQ(db->format().versionByte,
            expected_["format"].toObject()["header_version_byte"].toInt());
  const QString encryption = encryptionOf(expected_);
  engine::PageEncryption wanted = engine::PageEncryption::None;
  if (encryption.startsWith("Jet RC4")) wanted = engine::PageEncryption::JetRc4;
  if (encryption.startsWith("Office RC4 CryptoAPI"))
    wanted = engine::PageEncryption::OfficeRc4CryptoApi;
  if (encryption.startsWith("Office Agile")) wanted = engine::PageEncryption::OfficeAgile;
  EXPECT_EQ(db->encryption(), wanted) << encryption.toStdString();
}

TEST_P(CorpusFile, CatalogueMatches) {
  auto db = open();
  QJsonObject dump = dumpjson::databaseToJson(*db, dumpjson::RowOrder::Storage);
  QJsonArray actual = dump["catalogue"].toArray();
  QJsonArray wanted = expected_["catalogue"].toArray();
  ASSERT_EQ(actual.size(), wanted.size());
  for (qsizetype i = 0; i < wanted.size(); ++i) {
    QJsonObject a = actual[i].toObject(), w = wanted[i].toObject();
    for (const char* key : {"name", "id", "parent_id", "msysobjects_type", "flags", "foreign_name",
                            "database", "connect", "kind", "is_system", "is_hidden", "is_linked",
                            "is_query", "query_kind", "is_local_user_table"})
      EXPECT_EQ(dumpjson::canonical(a.value(key), false).toStdString(),
                dumpjson::canonical(w.value(key), false).toStdString())
          << "catalogue entry " << i << " (" << w["name"].toString().toStdString() << "), field "
          << key;
  }
}

TEST_P(CorpusFile, TablesColumnsAndEveryValueMatch) {
  auto db = open();
  QJsonArray actualTables =
      dumpjson::databaseToJson(*db, dumpjson::RowOrder::Storage)["tables"].toArray();
  QJsonArray wantedTables = expected_["tables"].toArray();
  ASSERT_EQ(actualTables.size(), wantedTables.size());
  for (qsizetype t = 0; t < wantedTables.size(); ++t) {
    QJsonObject actual = actualTables[t].toObject(), wanted = wantedTables[t].toObject();
    const std::string table = wanted["name"].toString().toStdString();
    SCOPED_TRACE("table " + table);
    ASSERT_EQ(actual["name"].toString(), wanted["name"].toString());

    QJsonArray actualColumns = actual["columns"].toArray(),
               wantedColumns = wanted["columns"].toArray();
    ASSERT_EQ(actualColumns.size(), wantedColumns.size());
    std::vector<bool> floats;
    bool hasComplex = false;
    for (qsizetype c = 0; c < wantedColumns.size(); ++c) {
      QJsonObject a = actualColumns[c].toObject(), w = wantedColumns[c].toObject();
      EXPECT_EQ(a["name"].toString(), w["name"].toString()) << "column " << c;
      EXPECT_EQ(a["jet_type_code"].toInt(), w["jet_type_code"].toInt()) << "column " << c;
      for (const char* key :
           {"auto_number", "auto_guid", "precision", "scale", "calculated_expression"})
        EXPECT_EQ(dumpjson::canonical(a.value(key), false).toStdString(),
                  dumpjson::canonical(w.value(key), false).toStdString())
            << "column " << w["name"].toString().toStdString() << ", " << key;
      floats.push_back(
          dumpjson::isFloatType(static_cast<std::uint8_t>(w["jet_type_code"].toInt())));
      hasComplex = hasComplex || w["jet_type_code"].toInt() == 18;
    }
    EXPECT_EQ(actual["row_count_in_table_definition"].toInteger(),
              wanted["row_count_in_table_definition"].toObject()["mdb-reader"].toInteger());

    QJsonArray actualRows = actual["rows"].toArray(), wantedRows = wanted["rows"].toArray();
    ASSERT_EQ(actualRows.size(), wanted["row_count"].toInt());
    ASSERT_EQ(actualRows.size(), wantedRows.size());
    // The serialiser reproduces the expected digest from the expected rows.
    EXPECT_EQ(sha256Of(wantedRows, floats), wanted["rows_sha256"].toString().toLatin1());

    bool same = true;
    for (qsizetype r = 0; r < wantedRows.size() && same; ++r) {
      QJsonArray a = actualRows[r].toArray(), w = wantedRows[r].toArray();
      ASSERT_EQ(a.size(), w.size());
      for (qsizetype c = 0; c < w.size() && same; ++c) {
        QByteArray got = dumpjson::canonical(comparable(a[c]), floats[c]);
        QByteArray want = dumpjson::canonical(comparable(w[c]), floats[c]);
        if (got != want) {
          same = false;
          ADD_FAILURE() << "first differing cell: row " << r << ", column "
                        << wantedColumns[c].toObject()["name"].toString().toStdString()
                        << ": engine " << got.toStdString() << ", expected " << want.toStdString();
        }
      }
    }
    if (!hasComplex) {
      EXPECT_EQ(actual["rows_sha256"].toString(), wanted["rows_sha256"].toString());
    }
  }
}

TEST_P(CorpusFile, ScanOrderVisitsEachRowOnceAndRowIdsReadBack) {
  auto db = open();
  for (const auto& name : db->userTableNames()) {
    const auto& table = db->table(name);
    auto scan = db->scan(table);
    engine::Row row;
    std::set<std::pair<std::uint32_t, int>> ids, stored;
    while (scan->next(row)) {
      EXPECT_TRUE(ids.insert({row.id.page, row.id.slot}).second);
      EXPECT_TRUE(stored.insert({row.storedAt.page, row.storedAt.slot}).second);
      auto again = db->readRow(table, row.id);
      ASSERT_TRUE(again.has_value());
      EXPECT_EQ(again->values, row.values);
      EXPECT_EQ(again->storedAt, row.storedAt);
    }
  }
}

// A file with a password refuses a wrong or missing one with exactly the
// provider's error, and opening it so leaves the file untouched.
TEST(CorpusPasswords, WrongPasswordIsRefusedAndChangesNothing) {
  SKIP_WITHOUT_CORPUS();
  int files = 0;
  for (const auto& name : enginetest::corpusFileNames()) {
    const std::u16string password = passwordOf(expectedFor(name));
    if (password.empty()) continue;
    ++files;
    SCOPED_TRACE(name);
    testsupport::TempDir dir;
    const auto path = enginetest::writableCopy(name, dir.path());
    const auto before = std::filesystem::last_write_time(path);
    for (const std::u16string& wrong :
         {std::u16string(), std::u16string(u"Password"), password + u"x"}) {
      engine::OpenOptions options;
      options.password = wrong;
      options.writable = true;
      try {
        engine::Database::open(path.string(), options);
        ADD_FAILURE() << "opened with a wrong password";
      } catch (const engine::Error& e) {
        EXPECT_EQ(e.kind(), engine::ErrorKind::WrongPassword);
        EXPECT_EQ(e.description(), "Not a valid password.");
      }
    }
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
    EXPECT_FALSE(std::filesystem::exists(path.string() + "-journal"));
  }
  EXPECT_EQ(files, 3) << "the corpus' password-protected files";
}

std::vector<std::string> filesOrPlaceholder() {
  auto names = enginetest::corpusFileNames();
  if (names.empty()) names.push_back("no_corpus");
  return names;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusFile, ::testing::ValuesIn(filesOrPlaceholder()),
                         [](const auto& info) { return enginetest::testNameOf(info.param); });

}  // namespace
