// Index entries that follow a changed key, on databases made by the
// engine's own writer: case changes whose keys change (ı, İ, µ, ſ, ϐ, ϑ,
// Georgian, Latin Extended-B, mixed scripts) in all four cases, long random
// sequences of changes that split pages up to a new root level, unique
// collisions, and faults at every write and sync of a split.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "case/case.h"
#include "engine/database.h"
#include "engine/error.h"
#include "engine/format/index_page.h"
#include "engine/pager/pager.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "engine/support/update_support.h"
#include "engine/text/text_key.h"
#include "engine/utf.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using Case::CaseMode;
using engine::NewColumn;
using testsupport::column;
using testsupport::textColumn;
using updatetest::MemoryFolder;

// Characters whose index keys change with their case, and others that do not.
const std::u16string_view kPieces[] = {
    u"ı", u"İ", u"µ",        u"ſ",      u"ϐ",    u"ϑ",   u"ϰ", u"ა", u"ბ",   u"ᲐᲑ",
    u"Ɔ", u"ɔ", u"ƒ",        u"Ǆ",      u"Ѣ",    u"ѣ",   u"ҷ", u"Ӏ", u"Ω",   u"λ",
    u"ς", u"Ж", u"щ",        u"Straße", u"é",    u"Ā",   u"a", u"Z", u"ist", u" ",
    u"-", u"'", u"İstanbul", u"Işık",   u"Ülkü", u"Çağ", u"ğ", u"Ş", u"ıi",  u"o"};

std::u16string randomName(std::mt19937& random, int number, std::size_t pieces) {
  std::u16string name;
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
  for (std::size_t i = 0; i < pieces; ++i) name += kPieces[pick(random)];
  // A number keeps the names apart for the unique indexes.
  return name + u" #" + engine::fromUtf8(std::to_string(number));
}

engine::NewTable namesTable(int rows, std::size_t pieces, unsigned seed) {
  std::mt19937 random(seed);
  engine::NewTable table;
  table.name = u"Names";
  table.columns = {column(u"Id", NewColumn::Type::Long), textColumn(u"Name", 255),
                   textColumn(u"Tag", 60)};
  table.indexes = {{u"PrimaryKey", {u"Id"}, true, true},
                   {u"ByName", {u"Name"}, false, false},
                   {u"ByTag", {u"Tag"}, false, true},
                   {u"ByNameAndId", {u"Name", u"Id"}, false, true}};
  for (int i = 0; i < rows; ++i)
    table.rows.push_back({std::int32_t{i}, engine::Text(randomName(random, i, pieces)),
                          engine::Text(u"tag ı" + engine::fromUtf8(std::to_string(i)))});
  return table;
}

std::vector<engine::RowId> rowIds(engine::Database& db) {
  std::vector<engine::RowId> ids;
  auto scan = db.scan(db.table(u"Names"));
  engine::Row row;
  while (scan->next(row)) ids.push_back(row.id);
  return ids;
}

std::vector<engine::Value> columnValues(engine::Database& db, const std::u16string& name) {
  const auto& table = db.table(u"Names");
  const auto position = static_cast<std::size_t>(table.columnIndex(name));
  std::vector<engine::Value> values;
  auto scan = db.scan(table);
  engine::Row row;
  while (scan->next(row)) values.push_back(row.values[position]);
  return values;
}

// Levels of an index: 1 for a root leaf.
int indexDepth(engine::Database& db, const engine::RealIndex& index) {
  int depth = 1;
  std::uint32_t page = index.rootPage;
  for (;;) {
    engine::PageRef ref = db.pager().page(page);
    std::string why;
    auto decoded = engine::decodeIndexPage(*ref, db.format(), why);
    if (!decoded || decoded->leaf) return depth;
    page = decoded->tail ? decoded->tail : engine::childOf(decoded->entries.back());
    ++depth;
  }
}

// Everything the engine can check of the file: values, pages, every index.
void checkWithTheEngine(engine::Database& db, const std::vector<engine::Value>& names) {
  EXPECT_EQ(columnValues(db, u"Name"), names);
  EXPECT_EQ(updatetest::consistencyProblems(db), std::vector<std::string>{});
  const auto& table = db.table(u"Names");
  EXPECT_EQ(updatetest::missingIndexEntries(db, table), std::vector<std::string>{});
  const auto check = updatetest::checkIndexKeys(db, table, true);
  EXPECT_EQ(check.problems, std::vector<std::string>{});
  EXPECT_EQ(check.compared, check.entries);
}

// What one sorted list has that the other lacks, marked "+" (read) and "-"
// (expected).
std::vector<std::string> differences(const std::vector<std::string>& got,
                                     const std::vector<std::string>& want) {
  std::vector<std::string> extra, missing, out;
  std::set_difference(got.begin(), got.end(), want.begin(), want.end(), std::back_inserter(extra));
  std::set_difference(want.begin(), want.end(), got.begin(), got.end(),
                      std::back_inserter(missing));
  for (const auto& s : extra) out.push_back("+" + s);
  for (const auto& s : missing) out.push_back("-" + s);
  return out;
}

// The names as mdb-export and mdb-reader read them, sorted.
void checkWithTheReaders(const std::filesystem::path& path,
                         const std::vector<engine::Value>& names) {
  std::vector<std::string> want;
  for (const auto& v : names) want.push_back(engine::toUtf8(v.text()));
  std::sort(want.begin(), want.end());
  if (createtest::haveMdbTools()) {
    auto rows = createtest::mdbExport(path, "Names");
    ASSERT_FALSE(rows.empty());
    std::vector<std::string> got;
    for (std::size_t i = 1; i < rows.size(); ++i) got.push_back(rows[i].at(1));
    std::sort(got.begin(), got.end());
    EXPECT_EQ(differences(got, want), std::vector<std::string>{}) << "mdb-export";
  }
  if (createtest::haveMdbReader()) {
    auto rows = createtest::mdbReaderTables(path)["Names"].toObject()["rows"].toArray();
    std::vector<std::string> got;
    for (const auto& row : rows) got.push_back(row.toArray().at(1).toString().toStdString());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(differences(got, want), std::vector<std::string>{}) << "mdb-reader";
  }
}

class UpdateIndexTest : public ::testing::Test {
 protected:
  static std::unique_ptr<engine::Database> openWritable(const std::filesystem::path& path) {
    return engine::Database::open(path.string(), {.password = {}, .writable = true});
  }
  testsupport::TempDir dir_;
};

TEST_F(UpdateIndexTest, EveryCaseChangesEveryValueAndTheIndexesFollow) {
  for (const char* name : {"cases.mdb", "cases.accdb"}) {
    SCOPED_TRACE(name);
    const auto path = testsupport::makeDatabase(dir_.path() / name, {namesTable(400, 4, 7)});
    std::size_t keysMoved = 0;
    for (CaseMode mode : {CaseMode::Upper, CaseMode::Lower, CaseMode::Proper, CaseMode::Sentence}) {
      std::vector<engine::Value> names;
      {
        auto db = openWritable(path);
        const auto& table = db->table(u"Names");
        const int nameColumn = table.columnIndex(u"Name");
        names = columnValues(*db, u"Name");
        const auto ids = rowIds(*db);
        for (std::size_t i = 0; i < ids.size(); ++i) {
          const std::u16string before = names[i].text();
          const std::u16string after = Case::Convert(mode, before);
          keysMoved += engine::textIndexKey(engine::TextSortOrder::GeneralLegacy, before) !=
                       engine::textIndexKey(engine::TextSortOrder::GeneralLegacy, after);
          EXPECT_NO_THROW(db->updateText(table, ids[i], nameColumn, after));
          names[i] = engine::Text(after);
        }
        db->commit();
      }
      auto db = engine::Database::open(path.string());
      checkWithTheEngine(*db, names);
      checkWithTheReaders(path, names);
    }
    EXPECT_GT(keysMoved, 400u);
  }
}

TEST_F(UpdateIndexTest, RootLeafSplitsIntoANewLevel) {
  const auto path = testsupport::makeDatabase(dir_.path() / "root.mdb", {namesTable(30, 2, 3)});
  std::vector<engine::Value> names;
  {
    auto db = openWritable(path);
    const auto& table = db->table(u"Names");
    EXPECT_EQ(indexDepth(*db, table.realIndexes[1]), 1);
    names = columnValues(*db, u"Name");
    const auto ids = rowIds(*db);
    std::mt19937 random(11);
    for (std::size_t i = 0; i < ids.size(); ++i) {
      std::u16string longer = randomName(random, static_cast<int>(i), 60).substr(0, 240);
      db->updateText(table, ids[i], table.columnIndex(u"Name"), longer);
      names[i] = engine::Text(longer);
    }
    db->commit();
  }
  auto db = engine::Database::open(path.string());
  const auto& table = db->table(u"Names");
  for (std::size_t r = 0; r < table.realIndexes.size(); ++r) {
    const auto& index = table.realIndexes[r];
    if (index.columns[0].columnNumber == table.columns[1].number) {
      EXPECT_GE(indexDepth(*db, index), 2) << "index " << r;
    }
  }
  checkWithTheEngine(*db, names);
  checkWithTheReaders(path, names);
}

// Long random sequences of changes to the same records, checked after each
// batch; the entries move between pages, split them and empty them.
TEST_F(UpdateIndexTest, RandomChangesKeepEveryIndexWhole) {
  const auto path = testsupport::makeDatabase(dir_.path() / "random.mdb", {namesTable(900, 5, 5)});
  std::mt19937 random(2024);
  std::vector<engine::Value> names;
  int depthSeen = 0;
  for (int batch = 0; batch < 6; ++batch) {
    SCOPED_TRACE("batch " + std::to_string(batch));
    {
      auto db = openWritable(path);
      const auto& table = db->table(u"Names");
      names = columnValues(*db, u"Name");
      const auto ids = rowIds(*db);
      // Records stay a small set, so that the same ones change again and again.
      std::uniform_int_distribution<std::size_t> pickRow(0, 149);
      std::uniform_int_distribution<std::size_t> pickLength(1, 40);
      std::uniform_int_distribution<int> pickMode(0, 4);
      for (int change = 0; change < 150; ++change) {
        const std::size_t i = pickRow(random) * (ids.size() / 150);
        const int mode = pickMode(random);
        const std::u16string value =
            mode == 4 ? randomName(random, static_cast<int>(i), pickLength(random))
                      : Case::Convert(static_cast<CaseMode>(mode), names[i].text());
        db->updateText(table, ids[i], table.columnIndex(u"Name"), value.substr(0, 255));
        names[i] = engine::Text(value.substr(0, 255));
      }
      db->commit();
    }
    auto db = engine::Database::open(path.string());
    checkWithTheEngine(*db, names);
    depthSeen = std::max(depthSeen, indexDepth(*db, db->table(u"Names").realIndexes[1]));
  }
  EXPECT_GE(depthSeen, 2);
  checkWithTheReaders(path, names);
}

TEST_F(UpdateIndexTest, UniqueCollisionIsRefusedAndChangesNothing) {
  const auto path = testsupport::makeDatabase(dir_.path() / "unique.mdb", {namesTable(50, 3, 9)});
  auto db = openWritable(path);
  const auto& table = db->table(u"Names");
  const auto ids = rowIds(*db);
  const auto tags = columnValues(*db, u"Tag");
  // "TAG I1" differs from "tag ı1" in its key; "TAG ı1" and "Tag ı1" do not.
  EXPECT_NO_THROW(db->updateText(table, ids[2], table.columnIndex(u"Tag"), u"TAG I1"));
  try {
    db->updateText(table, ids[3], table.columnIndex(u"Tag"), u"Tag ı1");
    FAIL() << "a unique index took a second equal key";
  } catch (const engine::Error& e) {
    const std::string& d = e.description();
    EXPECT_NE(d.find("'Tag'"), std::string::npos) << d;
    EXPECT_NE(d.find("'Tag ı1'"), std::string::npos) << d;
    EXPECT_NE(d.find("unique index 'ByTag'"), std::string::npos) << d;
  }
  db->commit();
  db.reset();
  auto reopened = engine::Database::open(path.string());
  auto want = tags;
  want[2] = engine::Text(u"TAG I1");
  EXPECT_EQ(columnValues(*reopened, u"Tag"), want);
  EXPECT_EQ(updatetest::checkIndexKeys(*reopened, reopened->table(u"Names"), true).problems,
            std::vector<std::string>{});
}

// Fault injection at every write and sync of an update that splits the
// root leaf: after the crash, the record and every index are old or new.
TEST(UpdateIndexFaults, EveryFaultDuringASplitLeavesOldOrNew) {
  constexpr char kPath[] = "/memory/split.mdb";
  std::vector<std::uint8_t> original;
  {
    testsupport::TempDir dir;
    engine::NewTable table = namesTable(31, 0, 1);
    std::mt19937 random(4);
    std::uniform_int_distribution<int> letter(0, 25);
    for (auto& row : table.rows) {
      std::u16string name;
      for (int k = 0; k < 100; ++k) name += static_cast<char16_t>(u'a' + letter(random));
      row[1] = engine::Text(name);
    }
    auto path = testsupport::makeDatabase(dir.path() / "f.mdb", {table});
    std::ifstream in(path, std::ios::binary);
    original.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::u16string value = u"İ" + std::u16string(200, u'ı') + u" grows the key";
  auto run = [&](MemoryFolder& folder) {
    auto db = engine::Database::open(kPath, {.password = {},
                                             .writable = true,
                                             .cachePages = engine::OpenOptions::kDefaultCachePages,
                                             .fileSystem = &folder});
    const auto& table = db->table(u"Names");
    db->updateText(table, rowIds(*db).at(5), table.columnIndex(u"Name"), value);
    db->commit();
  };
  MemoryFolder reference;
  reference.put(kPath, original);
  run(reference);
  const std::uint64_t steps = reference.steps();
  {
    auto db = engine::Database::open(
        kPath, {.password = {}, .writable = false, .cachePages = 64, .fileSystem = &reference});
    ASSERT_GE(indexDepth(*db, db->table(u"Names").realIndexes[1]), 2) << "no split happened";
  }
  std::size_t allOld = 0, allNew = 0;
  for (auto fault : {MemoryFolder::Fault::Fail, MemoryFolder::Fault::Die}) {
    for (std::uint64_t faultAt = 1; faultAt <= steps; ++faultAt) {
      SCOPED_TRACE("fault at step " + std::to_string(faultAt));
      MemoryFolder folder;
      folder.put(kPath, original);
      folder.injectFault(fault, faultAt);
      std::streambuf* saved = std::cerr.rdbuf(nullptr);
      try {
        run(folder);
      } catch (const engine::Error&) {
      }
      std::cerr.rdbuf(saved);
      folder.reboot();
      auto db = engine::Database::open(
          kPath, {.password = {}, .writable = false, .cachePages = 64, .fileSystem = &folder});
      EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
      const auto& table = db->table(u"Names");
      EXPECT_EQ(updatetest::checkIndexKeys(*db, table, true).problems, std::vector<std::string>{});
      const bool isNew = columnValues(*db, u"Name").at(5) == engine::Value(engine::Text(value));
      (isNew ? allNew : allOld)++;
    }
  }
  EXPECT_GT(allOld, 0u);
  EXPECT_GT(allNew, 0u);
}

}  // namespace
