// Rows that grow a lot: Jet 3 rows whose variable-offset jump table gains
// bytes as they pass multiples of 256, and a big table whose grown rows need
// new pages recorded in a reference usage map.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/format/layout_header.h"
#include "engine/jet_type.h"
#include "engine/pager/pager.h"
#include "engine/read/data_page.h"
#include "engine/support/corpus_files.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/update_support.h"
#include "engine/utf.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

std::u16string letters(std::size_t n, char16_t first) {
  std::u16string out;
  for (std::size_t i = 0; i < n; ++i) out += static_cast<char16_t>(first + i % 26);
  return out;
}

bool indexed(const engine::TableDefinition& table, std::uint16_t number) {
  for (const auto& index : table.realIndexes)
    for (const auto& column : index.columns)
      if (column.columnNumber == number) return true;
  return false;
}

// Sets `value` in column `column` of the first row of `table` and checks the
// whole row reads back (engine, after reopening) and the file stays consistent.
void setAndCheck(const std::filesystem::path& path, const std::u16string& tableName, int column,
                 const std::u16string& value) {
  std::vector<engine::Value> expected;
  {
    auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
    const auto& table = db->table(tableName);
    auto scan = db->scan(table);
    engine::Row row;
    ASSERT_TRUE(scan->next(row));
    expected = row.values;
    expected[static_cast<std::size_t>(column)] = engine::Text(value);
    db->updateText(table, row.id, column, value);
  }
  auto db = engine::Database::open(path.string());
  auto scan = db->scan(db->table(tableName));
  engine::Row row;
  ASSERT_TRUE(scan->next(row));
  EXPECT_EQ(row.values, expected);
  EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
}

TEST(UpdateGrowth, Jet3RowGrowsAndShrinksAcrossJumpTableBoundaries) {
  SKIP_WITHOUT_CORPUS();
  testsupport::TempDir dir;
  const auto copy = dir.path() / "jet3.mdb";
  std::filesystem::copy_file(enginetest::corpusFile("test2V1997.mdb"), copy);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
  std::vector<int> textColumns;
  std::vector<std::size_t> limits;
  {
    auto db = engine::Database::open(copy.string());
    const auto& table = db->table(u"MSP_PROJECTS");
    for (std::size_t c = 0; c < table.columns.size(); ++c)
      if (table.columns[c].type == static_cast<std::uint8_t>(engine::JetType::Text) &&
          !indexed(table, table.columns[c].number)) {
        textColumns.push_back(static_cast<int>(c));
        limits.push_back(table.columns[c].maxCharacters(db->format()));
      }
  }
  ASSERT_GE(textColumns.size(), 3u);
  // Grow three columns to their limits (the row passes 256 and 512 bytes),
  // then shrink them again.
  for (std::size_t i = 0; i < 3; ++i)
    setAndCheck(copy, u"MSP_PROJECTS", textColumns[i], letters(limits[i], u'a'));
  for (std::size_t i = 0; i < 3; ++i) setAndCheck(copy, u"MSP_PROJECTS", textColumns[i], u"x");
  SKIP_WITHOUT_MDBTOOLS();
  auto exported = createtest::mdbExport(copy, "MSP_PROJECTS");
  ASSERT_EQ(exported.size(), 2u);
}

TEST(UpdateGrowth, BigTableGetsNewPagesInItsReferenceMap) {
  testsupport::TempDir dir;
  engine::NewTable table;
  table.name = u"Big";
  table.columns = {testsupport::column(u"Id", engine::NewColumn::Type::Long),
                   testsupport::textColumn(u"Name", 255)};
  for (int i = 0; i < 60000; ++i)
    table.rows.push_back({std::int32_t{i}, engine::Text(u"n" + letters(40 + i % 5, u'a'))});
  auto path = testsupport::makeDatabase(dir.path() / "big.mdb", {table});
  std::map<std::int32_t, std::u16string> expected;
  std::uintmax_t sizeBefore = std::filesystem::file_size(path);
  {
    auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
    const auto& def = db->table(u"Big");
    std::vector<engine::Row> rows;
    auto scan = db->scan(def);
    engine::Row row;
    while (scan->next(row)) rows.push_back(row);
    for (const auto& r : rows) expected[r.values[0].as<std::int32_t>()] = r.values[1].text();
    for (std::size_t i = 0; i < rows.size(); i += 97) {
      const std::u16string value = letters(250, u'A');
      db->updateText(def, rows[i].id, 1, value);
      expected[rows[i].values[0].as<std::int32_t>()] = value;
    }
    db->commit();
  }
  EXPECT_GT(std::filesystem::file_size(path), sizeBefore) << "grown rows should need new pages";
  auto db = engine::Database::open(path.string());
  const auto& def = db->table(u"Big");
  {
    // The table's pages span more than one inline map window.
    const engine::RowPointer map = engine::RowPointer::fromRaw(def.ownedPagesMap);
    engine::PageRef page = db->pager().page(map.page);
    engine::DataPageView view(db->pager().view(page, map.page), db->format());
    EXPECT_EQ(view.row(map.row).u8(0), 1) << "expected a reference map";
  }
  std::map<std::int32_t, std::u16string> actual;
  auto scan = db->scan(def);
  engine::Row row;
  while (scan->next(row)) actual[row.values[0].as<std::int32_t>()] = row.values[1].text();
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
  SKIP_WITHOUT_MDBTOOLS();
  auto exported = createtest::mdbExport(path, "Big");
  ASSERT_EQ(exported.size(), expected.size() + 1);
  std::size_t same = 0;
  for (std::size_t i = 1; i < exported.size(); ++i)
    same += exported[i][1] == engine::toUtf8(expected[std::stoi(exported[i][0])]);
  EXPECT_EQ(same, expected.size());
}

}  // namespace

namespace {

// Memos rewritten thousands of times to random lengths (inline, one
// long-value row, chains) in a small table: the rows freed by each rewrite
// serve the later ones, on whichever page of the column they lie, so the
// file stops growing once it holds the largest values at once.
TEST(UpdateGrowth, MemosRewrittenToRandomLengthsKeepTheFileBounded) {
  testsupport::TempDir dir;
  engine::NewTable table;
  table.name = u"Notes";
  table.columns = {testsupport::column(u"Id", engine::NewColumn::Type::Long),
                   testsupport::column(u"Body", engine::NewColumn::Type::Memo)};
  constexpr int kRecords = 20;
  for (int i = 0; i < kRecords; ++i) table.rows.push_back({std::int32_t{i}, engine::Text(u"x")});
  const auto path = testsupport::makeDatabase(dir.path() / "memos.mdb", {table});
  const std::uintmax_t sizeAtStart = std::filesystem::file_size(path);
  constexpr std::size_t kLongest = 6000;  // characters; 12,000 bytes uncompressed
  std::mt19937 random(29);
  std::vector<std::u16string> expected(kRecords, u"x");
  std::uintmax_t largest = 0;
  for (int round = 0; round < 40; ++round) {
    {
      auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
      const auto& def = db->table(u"Notes");
      const auto ids = updatetest::rowIds(*db, def);
      for (int n = 0; n < 100; ++n) {
        const std::size_t record = random() % kRecords;
        const std::size_t length = random() % kLongest;
        // Half the values leave Latin-1 and are stored uncompressed.
        const std::u16string value = letters(length, random() % 2 ? u'a' : u'\u0430');
        db->updateText(def, ids[record], 1, value);
        expected[record] = value;
      }
      db->commit();
    }
    largest = std::max(largest, std::filesystem::file_size(path));
  }
  // Every record holding its longest value at once, twice over (a value is
  // written before the one it replaces is released), and a page per record
  // for what rows leave unused.
  const std::uintmax_t bound = sizeAtStart + 2 * kRecords * kLongest * 2 + kRecords * 4096;
  EXPECT_LE(largest, bound);
  auto db = engine::Database::open(path.string());
  const auto& def = db->table(u"Notes");
  auto scan = db->scan(def);
  engine::Row row;
  std::size_t seen = 0;
  while (scan->next(row)) {
    EXPECT_EQ(row.values[1], engine::Value(engine::Text(expected.at(
                                 static_cast<std::size_t>(row.values[0].as<std::int32_t>())))));
    ++seen;
  }
  EXPECT_EQ(seen, static_cast<std::size_t>(kRecords));
  EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
  EXPECT_EQ(updatetest::freeMapMismatches(*db, def), std::set<std::uint32_t>{});
}

}  // namespace

namespace {

// A file at the format's largest size: a record that needs a new page is
// refused with its own sentence and left as it was; changes that need no
// new page still go on.
TEST(UpdateGrowth, FileAtItsLargestSizeRefusesNewPagesAndGoesOn) {
  testsupport::TempDir dir;
  engine::NewTable table;
  table.name = u"T";
  table.columns = {testsupport::column(u"Id", engine::NewColumn::Type::Long),
                   testsupport::textColumn(u"Name", 255)};
  for (int i = 0; i < 200; ++i)
    table.rows.push_back({std::int32_t{i}, engine::Text(u"ÿes " + letters(20, u'a'))});
  const auto path = testsupport::makeDatabase(dir.path() / "full.mdb", {table});
  // Kept sparse: the pages past the tables are reached by nothing.
  std::filesystem::resize_file(path, engine::layout::header::kLargestFile);
  std::size_t refused = 0, changed = 0;
  std::vector<std::u16string> expected;
  {
    auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
    const auto& def = db->table(u"T");
    const auto ids = updatetest::rowIds(*db, def);
    for (engine::RowId id : ids) {
      const std::u16string old = db->readRow(def, id)->values[1].text();
      // Growing rows until one needs a new page; each same-length change
      // after a refusal still goes through.
      const std::u16string value =
          refused == 0 ? testsupport::repeat(u"Ж", 250) : u"ÿES " + letters(20, u'A');
      try {
        db->updateText(def, id, 1, value);
        expected.push_back(value);
        ++changed;
      } catch (const engine::Error& e) {
        EXPECT_EQ(e.kind(), engine::ErrorKind::Refused);
        EXPECT_NE(e.description().find("largest size"), std::string::npos) << e.description();
        expected.push_back(old);
        ++refused;
      }
    }
    db->commit();
  }
  EXPECT_GT(refused, 0u);
  EXPECT_GT(changed, refused);
  EXPECT_EQ(std::filesystem::file_size(path), engine::layout::header::kLargestFile);
  auto db = engine::Database::open(path.string());
  const auto& def = db->table(u"T");
  std::vector<std::u16string> actual;
  for (engine::RowId id : updatetest::rowIds(*db, def))
    actual.push_back(db->readRow(def, id)->values[1].text());
  EXPECT_EQ(actual, expected);
}

}  // namespace
