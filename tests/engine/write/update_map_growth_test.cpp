// Usage maps that grow as an UPPER CASE run needs new pages: an inline map
// shifted to a new window, inline maps promoted to reference maps, and
// reference maps given new bitmap pages as the file passes the pages one
// bitmap page covers. After each batch the engine, mdb-export and
// mdb-reader list the same records and every index finds every row.

#include <gtest/gtest.h>

#include <filesystem>

#include "case/case.h"
#include "engine/database.h"
#include "engine/format/byte_order.h"
#include "engine/format/layout_usage_map.h"
#include "engine/read/data_page.h"
#include "engine/support/reader_listing.h"
#include "engine/support/update_support.h"
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

}  // namespace
