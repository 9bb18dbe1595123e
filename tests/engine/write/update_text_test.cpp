// Changing text and memo values in place on databases made by the engine's own writer: every size
// case of growing rows and long values (docs/file-format.md), encodings, passwords, ACE, and index
// entries that follow a changed key.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "engine/support/update_support.h"
#include "engine/utf.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using testsupport::repeat;

using engine::NewColumn;
using testsupport::column;
using testsupport::textColumn;

engine::NewTable peopleTable(int rows) {
  engine::NewTable table;
  table.name = u"People";
  table.columns = {column(u"Id", NewColumn::Type::Long), textColumn(u"Name", 255),
                   column(u"Notes", NewColumn::Type::Memo)};
  table.indexes = {{u"PrimaryKey", {u"Id"}, true, true}};
  for (int i = 0; i < rows; ++i)
    table.rows.push_back({std::int32_t{i}, engine::Text(u"person number " + repeat(u"x", i % 7)),
                          engine::Text(u"short note")});
  return table;
}

engine::NewTable codesTable() {
  engine::NewTable table;
  table.name = u"Codes";
  table.columns = {column(u"Id", NewColumn::Type::Long), textColumn(u"Code", 20),
                   textColumn(u"Label", 40)};
  table.indexes = {{u"PrimaryKey", {u"Id"}, true, true}, {u"ByCode", {u"Code"}, false, true}};
  table.rows = {{std::int32_t{1}, engine::Text(u"abc"), engine::Text(u"first")},
                {std::int32_t{2}, engine::Text(u"Ærø"), engine::Text(u"second")},
                {std::int32_t{3}, engine::Text(u"straßé"), engine::Text(u"third")},
                {std::int32_t{4}, engine::Text(u"straße"), engine::Text(u"fourth")}};
  return table;
}

class UpdateTextTest : public ::testing::Test {
 protected:
  std::filesystem::path make(const std::string& name, std::vector<engine::NewTable> tables,
                             std::u16string password = {}, bool encoded = false) {
    return testsupport::makeDatabase(dir_.path() / name, std::move(tables), std::move(password),
                                     encoded);
  }

  static std::unique_ptr<engine::Database> openWritable(const std::filesystem::path& path,
                                                        std::u16string password = {}) {
    return engine::Database::open(path.string(),
                                  {.password = std::move(password), .writable = true});
  }

  // The values of one column, in scan order.
  static std::vector<engine::Value> columnValues(engine::Database& db, const std::u16string& table,
                                                 const std::u16string& name) {
    const auto& def = db.table(table);
    const int index = def.columnIndex(name);
    std::vector<engine::Value> values;
    auto scan = db.scan(def);
    engine::Row row;
    while (scan->next(row)) values.push_back(row.values[static_cast<std::size_t>(index)]);
    return values;
  }

  static std::vector<engine::RowId> rowIds(engine::Database& db, const std::u16string& table) {
    return updatetest::rowIds(db, db.table(table));
  }

  // Sets `text` in row `n` (scan order) and checks it reads back, in this
  // connection and after reopening, with every other value unchanged.
  void updateAndCheck(const std::filesystem::path& path, const std::u16string& table,
                      const std::u16string& columnName, std::size_t n, const std::u16string& text,
                      std::u16string password = {}) {
    std::vector<std::vector<engine::Value>> expected;
    engine::RowId id;
    {
      auto db = openWritable(path, password);
      const auto& def = db->table(table);
      auto scan = db->scan(def);
      engine::Row row;
      while (scan->next(row)) expected.push_back(row.values);
      id = rowIds(*db, table).at(n);
      const int column = def.columnIndex(columnName);
      db->updateText(def, id, column, text);
      expected[n][static_cast<std::size_t>(column)] = engine::Text(text);
      auto after = db->readRow(def, id);
      ASSERT_TRUE(after);
      EXPECT_EQ(after->values, expected[n]);
      db->commit();
    }
    auto db = engine::Database::open(path.string(), {.password = password});
    const auto& def = db->table(table);
    std::vector<std::vector<engine::Value>> actual;
    auto scan = db->scan(def);
    engine::Row row;
    while (scan->next(row)) actual.push_back(row.values);
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(rowIds(*db, table).at(n), id) << "a record's identity must not change";
    EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
    EXPECT_EQ(updatetest::missingIndexEntries(*db, def), std::vector<std::string>{});
    EXPECT_EQ(updatetest::checkIndexKeys(*db, def, true).problems, std::vector<std::string>{});
  }

  testsupport::TempDir dir_;
};

TEST_F(UpdateTextTest, SameSizeChangeRewritesOnlyTheValue) {
  auto path = make("same.mdb", {peopleTable(20)});
  const auto sizeBefore = std::filesystem::file_size(path);
  updateAndCheck(path, u"People", u"Name", 5, u"PERSON NUMBER XXXXX");
  EXPECT_EQ(std::filesystem::file_size(path), sizeBefore);
  EXPECT_FALSE(std::filesystem::exists(path.string() + "-journal"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "same.ldb")) << "lock file removed on close";
}

TEST_F(UpdateTextTest, ShrinkingValueKeepsTheRowInPlace) {
  auto path = make("shrink.mdb", {peopleTable(20)});
  updateAndCheck(path, u"People", u"Name", 3, u"P");
  updateAndCheck(path, u"People", u"Name", 3, u"");
}

TEST_F(UpdateTextTest, GrowingValueRepacksItsPage) {
  auto path = make("grow.mdb", {peopleTable(20)});
  updateAndCheck(path, u"People", u"Name", 0, u"Person Number One With A Much Longer Name");
  updateAndCheck(path, u"People", u"Name", 19, repeat(u"z", 200));
}

TEST_F(UpdateTextTest, GrowingPastThePageMovesTheRowBehindAPointer) {
  auto path = make("move.mdb", {peopleTable(400)});
  // Grow rows until their pages are full: later ones must move.
  for (std::size_t n = 0; n < 60; n += 3)
    updateAndCheck(path, u"People", u"Name", n, repeat(u"w", 255));
  auto db = engine::Database::open(path.string());
  const auto& def = db->table(u"People");
  std::size_t moved = 0;
  auto scan = db->scan(def);
  engine::Row row;
  while (scan->next(row)) moved += row.storedAt == row.id ? 0 : 1;
  EXPECT_GT(moved, 0u) << "some rows should have overflowed";
  // A moved row moves again when it grows or shrinks.
  updateAndCheck(path, u"People", u"Name", 57, u"short again");
  updateAndCheck(path, u"People", u"Name", 57, repeat(u"v", 254));
}

TEST_F(UpdateTextTest, MemoGoesInlineSinglePageMultiPageAndBack) {
  auto path = make("memo.mdb", {peopleTable(10)});
  updateAndCheck(path, u"People", u"Notes", 2, u"tiny");
  updateAndCheck(path, u"People", u"Notes", 2, repeat(u"single page memo ", 100));
  updateAndCheck(path, u"People", u"Notes", 2, repeat(u"chain ", 3000));
  updateAndCheck(path, u"People", u"Notes", 2, repeat(u"CHAIN ", 3000));  // same size, in place
  updateAndCheck(path, u"People", u"Notes", 2, repeat(u"Ωmega ", 2000));  // uncompressed
  updateAndCheck(path, u"People", u"Notes", 2, repeat(u"single page memo ", 90));
  updateAndCheck(path, u"People", u"Notes", 2, u"inline again");
}

TEST_F(UpdateTextTest, UnicodeCompressionIsChosenAfresh) {
  auto path = make("comp.mdb", {peopleTable(5)});
  updateAndCheck(path, u"People", u"Name", 1, u"ÿÿÿ compressible");
  updateAndCheck(path, u"People", u"Name", 1, u"ŸŸŸ COMPRESSIBLE");  // U+0178: not any more
  updateAndCheck(path, u"People", u"Name", 1, u"ΑΒΓ greek");
  updateAndCheck(path, u"People", u"Name", 1, u"abc back to one byte");
}

TEST_F(UpdateTextTest, ColumnsWithoutCompressionStayUncompressed) {
  engine::NewTable table = peopleTable(5);
  for (auto& c : table.columns) c.unicodeCompression = false;
  auto path = make("nocomp.mdb", {table});
  updateAndCheck(path, u"People", u"Name", 1, u"PERSON NUMBER X");
  updateAndCheck(path, u"People", u"Name", 2, u"person number xx grows");
  updateAndCheck(path, u"People", u"Notes", 3, repeat(u"uncompressed memo ", 40));
  auto db = engine::Database::open(path.string());
  const auto& def = db->table(u"People");
  EXPECT_FALSE(def.columns[1].allowsCompression());
}

TEST_F(UpdateTextTest, Jet4FileWithPassword) {
  auto path = make("pw.mdb", {peopleTable(10)}, u"secret");
  updateAndCheck(path, u"People", u"Name", 4, u"PERSON NUMBER XXXX", u"secret");
  updateAndCheck(path, u"People", u"Notes", 4, repeat(u"long note ", 50), u"secret");
}

TEST_F(UpdateTextTest, AceFile) {
  auto path = make("ace.accdb", {peopleTable(30)});
  updateAndCheck(path, u"People", u"Name", 7, u"Person Number Xxxxxxx");
  updateAndCheck(path, u"People", u"Name", 8, repeat(u"q", 120));
  updateAndCheck(path, u"People", u"Notes", 9, repeat(u"memo ", 1500));
}

// Ciphered files take every kind of change, new pages included, and other
// readers decipher the result.
TEST_F(UpdateTextTest, EncodedAndEncryptedFiles) {
  struct Case {
    std::string name;
    std::u16string password;
    bool encoded;
  };
  for (const Case& c : {Case{"encoded.mdb", u"", true}, Case{"encoded-pw.mdb", u"pw", true},
                        Case{"encrypted.accdb", u"Sécret 1", false}}) {
    SCOPED_TRACE(c.name);
    auto path = make(c.name, {peopleTable(400)}, c.password, c.encoded);
    updateAndCheck(path, u"People", u"Name", 4, u"PERSON NUMBER XXXX", c.password);
    for (std::size_t n = 0; n < 60; n += 3)  // grow rows until some move
      updateAndCheck(path, u"People", u"Name", n, repeat(u"w", 255), c.password);
    updateAndCheck(path, u"People", u"Notes", 5, repeat(u"chain ", 3000), c.password);
    updateAndCheck(path, u"People", u"Notes", 5, repeat(u"single page memo ", 90), c.password);
    if (!c.password.empty()) {
      EXPECT_THROW(engine::Database::open(path.string(), {.password = u"wrong"}), engine::Error);
    }

    if (createtest::haveMdbReader()) {
      auto db = engine::Database::open(path.string(), {.password = c.password});
      const auto& def = db->table(u"People");
      std::map<std::string, std::string> names, read;
      auto scan = db->scan(def);
      engine::Row row;
      while (scan->next(row))
        names[std::to_string(row.values[0].as<std::int32_t>())] =
            engine::toUtf8(row.values[1].text());
      for (const auto& value :
           createtest::mdbReaderTables(path, engine::toUtf8(c.password))["People"]
               .toObject()["rows"]
               .toArray())
        read[std::to_string(value.toArray()[0].toInt())] =
            value.toArray()[1].toString().toStdString();
      EXPECT_EQ(read, names);
    }
  }
}

TEST_F(UpdateTextTest, CaseOnlyChangeOfAnIndexedColumnKeepsTheIndex) {
  auto path = make("index.mdb", {codesTable()});
  updateAndCheck(path, u"Codes", u"Code", 0, u"ABC");
  updateAndCheck(path, u"Codes", u"Code", 1, u"æRØ");
  // ß → SS changes the length, yet the computed General Legacy keys agree.
  updateAndCheck(path, u"Codes", u"Code", 3, u"STRASSE");
}

TEST_F(UpdateTextTest, KeyChangingUpdatesMoveTheIndexEntry) {
  auto path = make("move.mdb", {codesTable()});
  updateAndCheck(path, u"Codes", u"Code", 0, u"abd");
  updateAndCheck(path, u"Codes", u"Code", 2, u"STRASSÉ");  // the length changes
  updateAndCheck(path, u"Codes", u"Code", 2, u"straẞe");   // U+1E9E adds nothing to a key
  updateAndCheck(path, u"Codes", u"Code", 1, u"\u0131 \u00B5 \u017F \u03D0 \u03D1");
  updateAndCheck(path, u"Codes", u"Code", 1, u"I \u039C S \u0392 \u0398");
}

TEST_F(UpdateTextTest, UniqueCollisionsAndOverlongValuesAreRefusedAndChangeNothing) {
  auto path = make("refuse.mdb", {codesTable()});
  const auto before = [&] {
    auto db = engine::Database::open(path.string());
    return columnValues(*db, u"Codes", u"Code");
  }();
  auto db = openWritable(path);
  const auto& def = db->table(u"Codes");
  const int code = def.columnIndex(u"Code");
  const auto ids = rowIds(*db, u"Codes");
  auto refusal = [&](engine::RowId id, std::u16string value) -> std::string {
    try {
      db->updateText(def, id, code, value);
    } catch (const engine::Error& e) {
      return e.description();
    }
    return "";
  };
  {
    // "straße" is stored; keys ignore case and ß sorts as ss.
    const std::string other = refusal(ids[0], u"STRASSE");
    EXPECT_NE(other.find("'Code'"), std::string::npos) << other;
    EXPECT_NE(other.find("'STRASSE'"), std::string::npos) << other;
    EXPECT_NE(other.find("unique index 'ByCode'"), std::string::npos) << other;
    EXPECT_NE(refusal(ids[1], u"ABC"), "");            // the key of row 0
    EXPECT_NE(refusal(ids[0], repeat(u"a", 21)), "");  // longer than the column
  }
  db->commit();
  db.reset();
  auto reopened = engine::Database::open(path.string());
  EXPECT_EQ(columnValues(*reopened, u"Codes", u"Code"), before);
  EXPECT_EQ(updatetest::checkIndexKeys(*reopened, reopened->table(u"Codes"), true).problems,
            std::vector<std::string>{});
}

TEST_F(UpdateTextTest, UnindexedColumnTakesAnyText) {
  auto path = make("free.mdb", {codesTable()});
  updateAndCheck(path, u"Codes", u"Label", 2, u"STRASSE ẞ µ ı");
}

TEST_F(UpdateTextTest, OtherReadersSeeTheChanges) {
  SKIP_WITHOUT_MDBTOOLS();
  auto path = make("readers.mdb", {peopleTable(300)});
  for (std::size_t n = 0; n < 300; n += 7) {
    updateAndCheck(path, u"People", u"Name", n, repeat(u"R", 100 + n % 50));
    updateAndCheck(path, u"People", u"Notes", n, repeat(u"note ", n % 40 * 30));
  }
  // Readers may list moved records in another order: compare by Id.
  auto db = engine::Database::open(path.string());
  const auto& def = db->table(u"People");
  std::map<std::string, std::string> names;
  auto scan = db->scan(def);
  engine::Row row;
  while (scan->next(row))
    names[std::to_string(row.values[0].as<std::int32_t>())] = engine::toUtf8(row.values[1].text());
  std::map<std::string, std::string> exported;
  for (const auto& line : createtest::mdbExport(path, "People")) exported[line.at(0)] = line.at(1);
  exported.erase("Id");
  EXPECT_EQ(exported, names);
  if (createtest::haveMdbReader()) {
    std::map<std::string, std::string> read;
    for (const auto& value :
         createtest::mdbReaderTables(path)["People"].toObject()["rows"].toArray()) {
      QJsonArray fields = value.toArray();
      read[std::to_string(fields[0].toInt())] = fields[1].toString().toStdString();
    }
    EXPECT_EQ(read, names);
  }
}

}  // namespace
