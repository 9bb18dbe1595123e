// Scans and row reads that ask for some columns: the asked ones come out as
// a full scan gives them, the others stay null and their long values are
// never read; a read-back selection gives long values as their references.

#include <gtest/gtest.h>

#include "engine/database.h"
#include "engine/format/layout_long_value.h"
#include "engine/pager/pager.h"
#include "engine/support/corpus_files.h"
#include "engine/support/call_counting_file.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using engine::ColumnSelection;

// 300 records with a short name and two memos long enough to live on pages of their own.
std::filesystem::path makeLetters(const std::filesystem::path& path) {
  engine::NewTable table{u"Letters",
                         {testsupport::textColumn(u"Name", 40),
                          testsupport::column(u"Body", engine::NewColumn::Type::Memo),
                          testsupport::column(u"Note", engine::NewColumn::Type::Memo)},
                         {},
                         {}};
  for (int i = 0; i < 300; ++i) {
    const std::u16string number(1, char16_t(u'a' + i % 26));
    table.rows.push_back(
        {engine::Text(u"name " + number),
         engine::Text(testsupport::repeat(u"dear sir " + number, 400)),
         i % 3 == 0 ? engine::Value::null() : engine::Value(engine::Text(u"short"))});
  }
  return testsupport::makeDatabase(path, {table});
}

int readsOfScan(const std::filesystem::path& path, const ColumnSelection& selection) {
  auto file =
      std::make_unique<enginetest::CallCountingFile>(engine::openDiskFile(path.string(), false));
  enginetest::CallCountingFile& counter = *file;
  auto db = engine::Database::open(std::move(file));
  const auto& table = db->table(u"Letters");
  db->pager().clear();
  counter.reads = 0;
  auto scan = db->scan(table, selection);
  engine::Row row;
  while (scan->next(row)) {
  }
  return counter.reads;
}

TEST(ColumnSelection, AskedColumnsOnlyAndNoLongValuePages) {
  testsupport::TempDir dir;
  const auto path = makeLetters(dir.path() / "letters.mdb");
  auto db = engine::Database::open(path.string());
  const auto& table = db->table(u"Letters");
  const int name[] = {0};
  auto full = db->scan(table);
  auto some = db->scan(table, ColumnSelection::only(name));
  engine::Row all, asked;
  int rows = 0;
  while (full->next(all)) {
    ASSERT_TRUE(some->next(asked));
    ++rows;
    ASSERT_EQ(asked.values.size(), all.values.size());
    EXPECT_EQ(asked.id, all.id);
    EXPECT_EQ(asked.values[0], all.values[0]);
    EXPECT_TRUE(asked.values[1].isNull());
    EXPECT_TRUE(asked.values[2].isNull());
  }
  EXPECT_FALSE(some->next(asked));
  EXPECT_EQ(rows, 300);

  const int fullReads = readsOfScan(path, {});
  const int nameReads = readsOfScan(path, ColumnSelection::only(name));
  EXPECT_LT(nameReads * 10, fullReads) << "the memos' pages are left unread";
}

TEST(ColumnSelection, ReadBackGivesLongValuesAsTheirReferences) {
  testsupport::TempDir dir;
  const auto path = makeLetters(dir.path() / "letters.mdb");
  auto db = engine::Database::open(path.string());
  const auto& table = db->table(u"Letters");
  const int name[] = {0};
  auto scan = db->scan(table);
  engine::Row row;
  ASSERT_TRUE(scan->next(row));
  auto back = db->readRow(table, row.id, ColumnSelection::withLongValueReferences(name));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->values[0], row.values[0]);
  ASSERT_TRUE(back->values[1].is<engine::Bytes>());
  EXPECT_EQ(back->values[1].as<engine::Bytes>().size(), engine::layout::long_value::kReferenceSize)
      << "a memo on a page of its own is stored as its reference alone";
  EXPECT_TRUE(back->values[2].isNull()) << "a null memo stays null";
  const int body[] = {1};
  auto memo = db->readRow(table, row.id, ColumnSelection::withLongValueReferences(body));
  ASSERT_TRUE(memo);
  EXPECT_EQ(memo->values[1], row.values[1]) << "the asked long value is read in full";
}

TEST(ColumnSelection, EveryColumnOfTheCorpusAlone) {
  SKIP_WITHOUT_CORPUS();
  for (const char* name : {"overflowTestV2003.mdb", "test2V2010.accdb", "testV1997.mdb"}) {
    SCOPED_TRACE(name);
    auto db = engine::Database::open(enginetest::corpusFile(name).string());
    for (const auto& tableName : db->userTableNames()) {
      const auto& table = db->table(tableName);
      std::vector<engine::Row> rows;
      auto full = db->scan(table);
      for (engine::Row row; full->next(row);) rows.push_back(row);
      for (int column = 0; column < static_cast<int>(table.columns.size()); ++column) {
        const int asked[] = {column};
        auto scan = db->scan(table, ColumnSelection::only(asked));
        std::size_t at = 0;
        for (engine::Row row; scan->next(row); ++at) {
          ASSERT_LT(at, rows.size());
          EXPECT_EQ(row.values[std::size_t(column)], rows[at].values[std::size_t(column)]);
        }
        EXPECT_EQ(at, rows.size());
      }
    }
  }
}

}  // namespace
