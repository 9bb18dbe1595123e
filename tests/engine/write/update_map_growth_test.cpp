// Usage maps that grow as an UPPER CASE run needs new pages: an inline map
// shifted to a new window, inline maps promoted to reference maps, and
// reference maps given new bitmap pages as the file passes the pages one
// bitmap page covers. After each batch the engine, mdb-export and
// mdb-reader list the same records and every index finds every row.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <filesystem>
#include <iostream>
#include <set>

#include "case/case.h"
#include "engine/database.h"
#include "engine/error.h"
#include "engine/format/byte_order.h"
#include "engine/format/layout_tdef.h"
#include "engine/format/layout_usage_map.h"
#include "engine/jet_type.h"
#include "engine/pager/pager.h"
#include "engine/read/data_page.h"
#include "engine/support/corpus_files.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "engine/support/reader_listing.h"
#include "engine/support/update_support.h"
#include "engine/utf.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using engine::NewColumn;
using testsupport::repeat;
namespace um = engine::layout::usage_map;

struct MapShape {
  bool reference = false;
  std::uint32_t start = 0;      // inline maps
  std::size_t bitmapPages = 0;  // reference maps
};

MapShape shapeOf(engine::Database& db, std::uint32_t pointer) {
  const engine::RowPointer where = engine::RowPointer::fromRaw(pointer);
  engine::PageRef page = db.pager().page(where.page);
  engine::DataPageView view(db.pager().view(page, where.page), db.format());
  const auto row = view.row(where.row).all();
  MapShape shape;
  shape.reference = row[0] == um::kReference;
  if (!shape.reference) {
    shape.start = engine::readU32(row, um::kInlineStart);
    return shape;
  }
  for (std::size_t at = um::kReferenceEntries; at + 4 <= row.size(); at += 4) {
    const std::uint32_t entry = engine::readU32(row, at);
    shape.bitmapPages += entry != 0 && entry < db.pager().pageCount();
  }
  return shape;
}

// The table's owned and free-space maps, then its memo column's.
std::vector<MapShape> shapes(const std::filesystem::path& path) {
  auto db = engine::Database::open(path.string());
  const auto& table = db->table(u"Words");
  return {shapeOf(*db, table.ownedPagesMap), shapeOf(*db, table.freePagesMap),
          shapeOf(*db, table.longValueMaps.at(0).ownedPages),
          shapeOf(*db, table.longValueMaps.at(0).freePages)};
}

// Pages past the end that nothing reaches: the file as if other tables
// had grown it, kept sparse.
void extendTo(const std::filesystem::path& path, std::uint64_t pages) {
  std::filesystem::resize_file(path, pages * 4096);
}

void expectSound(const std::filesystem::path& path) {
  auto db = engine::Database::open(path.string());
  const auto& table = db->table(u"Words");
  EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
  EXPECT_EQ(updatetest::missingIndexEntries(*db, table), std::vector<std::string>{});
  EXPECT_EQ(updatetest::checkIndexKeys(*db, table).problems, std::vector<std::string>{});
  EXPECT_EQ(updatetest::freeMapMismatches(*db, table), std::set<std::uint32_t>{});
}

TEST(UpdateMapGrowth, UpperCaseRunShiftsPromotesAndAddsBitmapPages) {
  testsupport::TempDir dir;
  engine::NewTable words;
  words.name = u"Words";
  words.columns = {testsupport::column(u"Id", NewColumn::Type::Long),
                   testsupport::textColumn(u"Label", 255),
                   testsupport::column(u"Notes", NewColumn::Type::Memo)};
  words.indexes = {{u"PrimaryKey", {u"Id"}, true, true}, {u"ByLabel", {u"Label"}, false, false}};
  for (int i = 0; i < 600; ++i)
    words.rows.push_back(
        {std::int32_t{i},
         engine::Text(u"ÿes µ " + repeat(u"word ", 8) + std::u16string(1, u'a' + i % 26)),
         engine::Text(u"short ÿ note")});
  // A table after it fills more than an inline window.
  engine::NewTable filler;
  filler.name = u"Filler";
  filler.columns = {testsupport::column(u"Id", NewColumn::Type::Long),
                    testsupport::textColumn(u"Pad", 255)};
  for (int i = 0; i < 4800; ++i)
    filler.rows.push_back({std::int32_t{i}, engine::Text(repeat(u"Ж", 250))});
  const auto path = testsupport::makeDatabase(dir.path() / "grow.mdb", {words, filler});
  const std::vector<MapShape> atStart = shapes(path);
  for (const MapShape& shape : atStart) ASSERT_FALSE(shape.reference);

  const std::uint64_t perBitmap = um::pagesPerBitmapPage(4096);
  std::size_t next = 0;  // the next record to change
  // Upper-cases the labels of `count` more records and gives some a long memo.
  auto batch = [&](std::size_t count) {
    auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
    const auto& table = db->table(u"Words");
    const auto ids = updatetest::rowIds(*db, table);
    for (std::size_t n = 0; n < count && next < ids.size(); ++n, ++next) {
      const auto row = db->readRow(table, ids[next]);
      db->updateText(table, ids[next], 1, Case::UpperCase(row->values[1].text()));
      if (next % 5 == 0)
        db->updateText(table, ids[next], 2, repeat(u"A LONGER NOTE ÿ ", 40 + next % 7));
    }
    db->commit();
  };

  batch(150);
  expectSound(path);
  readerlisting::expectReadersAgree(path, u"Words");
  const std::vector<MapShape> first = shapes(path);
  EXPECT_TRUE(first[0].reference) << "the table's map is promoted";
  EXPECT_FALSE(first[2].reference) << "the memo column's empty map is shifted";
  EXPECT_GT(first[2].start, 512u) << "the memo column's empty map is shifted";

  extendTo(path, perBitmap + 10);
  batch(150);
  expectSound(path);
  readerlisting::expectReadersAgree(path, u"Words");
  const std::vector<MapShape> second = shapes(path);
  EXPECT_EQ(second[0].bitmapPages, first[0].bitmapPages + 1) << "a new bitmap page";
  EXPECT_TRUE(second[2].reference) << "the memo column's map is promoted";

  extendTo(path, 2 * perBitmap + 10);
  batch(150);
  expectSound(path);
  readerlisting::expectReadersAgree(path, u"Words");
  const std::vector<MapShape> third = shapes(path);
  EXPECT_EQ(third[0].bitmapPages, second[0].bitmapPages + 1) << "a new bitmap page";
  EXPECT_EQ(third[2].bitmapPages, second[2].bitmapPages + 1) << "a new bitmap page";
}

// The maps of `table` (its rows', its long values', its indexes').
std::vector<std::uint32_t> mapsOf(const engine::TableDefinition& table) {
  std::vector<std::uint32_t> maps{table.ownedPagesMap, table.freePagesMap};
  for (const auto& lv : table.longValueMaps) {
    maps.push_back(lv.ownedPages);
    maps.push_back(lv.freePages);
  }
  for (const auto& index : table.realIndexes) maps.push_back(index.usageMap);
  return maps;
}

bool isText(const engine::ColumnDefinition& column) {
  return column.type == static_cast<std::uint8_t>(engine::JetType::Text);
}

// The texts of one column as each reader lists them.
std::multiset<std::string> engineColumn(engine::Database& db, const std::u16string& table,
                                        std::size_t column) {
  std::multiset<std::string> values;
  auto scan = db.scan(db.table(table));
  engine::Row row;
  while (scan->next(row))
    values.insert(row.values[column].isText() ? engine::toUtf8(row.values[column].text()) : "");
  return values;
}

std::multiset<std::string> exportColumn(const std::filesystem::path& path, const std::string& table,
                                        const std::string& column) {
  std::multiset<std::string> values;
  const auto rows = createtest::mdbExport(path, table);
  std::size_t at = 0;
  while (at < rows.at(0).size() && rows[0][at] != column) ++at;
  for (std::size_t r = 1; r < rows.size(); ++r) values.insert(rows[r].at(at));
  return values;
}

std::multiset<std::string> readerColumn(const std::filesystem::path& path, const std::string& table,
                                        const std::string& column) {
  std::multiset<std::string> values;
  const QJsonObject read =
      createtest::mdbReaderTables(path)[QString::fromStdString(table)].toObject();
  const QJsonArray columns = read["columns"].toArray();
  qsizetype at = 0;
  for (; at < columns.size(); ++at) {
    const QJsonValue name = columns[at];
    const QString text = name.isObject() ? name.toObject()["name"].toString() : name.toString();
    if (text.toStdString() == column) break;
  }
  for (const auto& row : read["rows"].toArray())
    values.insert(row.toArray()[at].toString().toStdString());
  return values;
}

// A reader lists the grown values as the engine does, and the others as
// it listed them before.
void expectShows(const char* reader, const std::multiset<std::string>& before,
                 const std::multiset<std::string>& after, const std::multiset<std::string>& mine) {
  EXPECT_EQ(after.size(), mine.size()) << reader;
  std::multiset<std::string> rest = before;
  for (const std::string& value : after) {
    if (value.rfind("Ж", 0) == 0) {
      EXPECT_EQ(after.count(value), mine.count(value)) << reader;
      continue;
    }
    auto it = rest.find(value);
    EXPECT_NE(it, rest.end()) << reader << " shows a value it did not show before: " << value;
    if (it != rest.end()) rest.erase(it);
  }
}

// Copies of the corpus files that hold reference maps: records of their
// tables grow onto new pages past what the maps' bitmap pages cover, so
// that every map those pages go into gains a bitmap page or is promoted.
TEST(UpdateMapGrowth, CorpusFilesWithReferenceMapsGrowThem) {
  SKIP_WITHOUT_CORPUS();
  testsupport::TempDir dir;
  const std::uint64_t perBitmap = um::pagesPerBitmapPage(4096);
  std::size_t grown = 0;
  for (const std::string& name : enginetest::corpusFileNames()) {
    SCOPED_TRACE(name);
    const auto copy = enginetest::writableCopy(name, dir.path());
    struct Subject {
      std::u16string table;
      std::size_t column;
      std::size_t limit;
    };
    std::vector<Subject> subjects;
    bool hasReference = false;
    {
      std::unique_ptr<engine::Database> db;
      try {
        db = engine::Database::open(copy.string());
      } catch (const engine::Error&) {
        continue;  // a file that needs a password
      }
      if (db->format().isJet3() || db->encryption() != engine::PageEncryption::None) continue;
      for (const std::u16string& tableName : db->userTableNames()) {
        const auto& table = db->table(tableName);
        bool reference = false;
        for (std::uint32_t map : mapsOf(table))
          reference = reference || shapeOf(*db, map).reference;
        hasReference = hasReference || reference;
        for (std::size_t c = 0; c < table.columns.size(); ++c)
          if (isText(table.columns[c]) && table.tableType == engine::layout::tdef::kTableTypeUser) {
            subjects.push_back({tableName, c, table.columns[c].maxCharacters(db->format())});
            break;
          }
      }
    }
    if (!hasReference) continue;
    extendTo(copy, perBitmap + 10);
    std::vector<std::string> tables, columns;
    // What the readers show before: values they render their own way
    // (characters outside the BMP) are compared with themselves.
    std::vector<std::multiset<std::string>> exportBefore, readerBefore;
    {
      auto db = engine::Database::open(copy.string());
      for (const Subject& subject : subjects) {
        const auto& table = db->table(subject.table);
        tables.push_back(engine::toUtf8(subject.table));
        columns.push_back(engine::toUtf8(table.columns[subject.column].name));
        if (createtest::haveMdbTools())
          exportBefore.push_back(exportColumn(copy, tables.back(), columns.back()));
        if (createtest::haveMdbReader())
          readerBefore.push_back(readerColumn(copy, tables.back(), columns.back()));
      }
    }
    {
      auto db = engine::Database::open(copy.string(), {.password = {}, .writable = true});
      for (const Subject& subject : subjects) {
        const auto& table = db->table(subject.table);
        std::size_t n = 0;
        for (engine::RowId id : updatetest::rowIds(*db, table)) {
          if (n++ == 20) break;
          try {
            db->updateText(table, id, static_cast<int>(subject.column),
                           repeat(u"Ж", subject.limit / 2) + std::u16string(1, u'0' + n % 10));
            ++grown;
          } catch (const engine::Error& e) {
            EXPECT_NE(e.kind(), engine::ErrorKind::Damaged) << e.description();
          }
        }
      }
      db->commit();
    }
    auto db = engine::Database::open(copy.string());
    EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
    for (std::size_t i = 0; i < subjects.size(); ++i) {
      SCOPED_TRACE(tables[i]);
      const auto& table = db->table(subjects[i].table);
      EXPECT_EQ(updatetest::missingIndexEntries(*db, table), std::vector<std::string>{});
      for (std::uint32_t map : mapsOf(table)) {
        const MapShape shape = shapeOf(*db, map);
        EXPECT_TRUE(!shape.reference || shape.bitmapPages > 0);
      }
      const auto mine = engineColumn(*db, subjects[i].table, subjects[i].column);
      if (createtest::haveMdbTools())
        expectShows("mdb-export", exportBefore[i], exportColumn(copy, tables[i], columns[i]), mine);
      if (createtest::haveMdbReader())
        expectShows("mdb-reader", readerBefore[i], readerColumn(copy, tables[i], columns[i]), mine);
    }
  }
  std::cout << grown << " records grown in corpus files with reference maps\n";
  if (grown == 0) GTEST_SKIP() << "no corpus file with a reference map has records to grow";
}

}  // namespace
