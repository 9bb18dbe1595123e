// Records that move more than once: behind an overflow pointer, on to
// another page, and back home. Every row left behind must carry the marks
// Access gives a removed row, so that other readers, which skip only rows
// with the lookup bit, list each record once; the room it held serves
// later rows.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <filesystem>
#include <map>

#include "case/case.h"
#include "engine/database.h"
#include "engine/error.h"
#include "engine/format/layout_data_page.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "engine/support/reader_listing.h"
#include "engine/support/update_support.h"
#include "engine/utf.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using readerlisting::engineListing;
using readerlisting::expectReadersAgree;
using readerlisting::Listing;

using testsupport::repeat;

namespace dp = engine::layout::data_page;
using engine::NewColumn;
using testsupport::column;
using testsupport::textColumn;
using updatetest::RowPlace;

RowPlace placeOf(engine::RowId id) { return {id.page, id.slot}; }

engine::NewTable wordsTable(int rows, int textColumns, const std::u16string& text) {
  engine::NewTable table;
  table.name = u"Words";
  table.columns = {column(u"Id", NewColumn::Type::Long)};
  for (int c = 0; c < textColumns; ++c)
    table.columns.push_back(textColumn(u"T" + std::u16string(1, u'0' + c), 255));
  table.indexes = {{u"PrimaryKey", {u"Id"}, true, true}};
  for (int i = 0; i < rows; ++i) {
    std::vector<engine::Value> values{std::int32_t{i}};
    for (int c = 0; c < textColumns; ++c) values.push_back(engine::Text(text));
    table.rows.push_back(values);
  }
  return table;
}

void expectConsistent(const std::filesystem::path& path, const std::u16string& table) {
  auto db = engine::Database::open(path.string());
  EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
  EXPECT_EQ(updatetest::missingIndexEntries(*db, db->table(table)), std::vector<std::string>{});
  EXPECT_EQ(updatetest::freeMapMismatches(*db, db->table(table)), std::set<std::uint32_t>{});
}

// As a user meets it: UPPER CASE over four columns whose values lose their
// compression (ÿ becomes Ÿ, outside Latin-1), so rows double in size,
// column after column, and moved rows move again.
TEST(UpdateMove, UpperCaseRunOverFourColumnsListsEveryRecordOnce) {
  testsupport::TempDir dir;
  const auto path = testsupport::makeDatabase(
      dir.path() / "upper.mdb", {wordsTable(600, 4, u"ÿes, " + repeat(u"word ", 10))});
  std::size_t movedTwice = 0;
  {
    auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
    const auto& table = db->table(u"Words");
    const std::vector<engine::RowId> ids = updatetest::rowIds(*db, table);
    for (int c = 1; c <= 4; ++c)
      for (engine::RowId id : ids) {
        auto before = db->readRow(table, id);
        db->updateText(table, id, c,
                       Case::UpperCase(before->values[static_cast<std::size_t>(c)].text()));
        auto after = db->readRow(table, id);
        if (before->storedAt != id && after->storedAt != before->storedAt) ++movedTwice;
      }
    db->commit();
  }
  EXPECT_GT(movedTwice, 0u) << "the run should move some records a second time";
  expectConsistent(path, u"Words");
  const Listing mine = engineListing(path, u"Words");
  ASSERT_EQ(mine.records.size(), 600u);
  for (const auto& [id, texts] : mine.records)
    for (const std::string& text : texts) EXPECT_EQ(text.rfind("ŸES, WORD", 0), 0u) << id;
  expectReadersAgree(path, u"Words");
}

// One record walks: away from home, on to a second page, back home, and
// away again; at each step every reader lists it once and each row it left
// is removed, its bytes squeezed out.
TEST(UpdateMove, RecordMovesAwayOnAndBackHome) {
  testsupport::TempDir dir;
  // Pages full of rows: growth past a few bytes cannot stay on the page.
  const auto path =
      testsupport::makeDatabase(dir.path() / "walk.mdb", {wordsTable(400, 2, repeat(u"a", 40))});
  std::vector<engine::RowId> ids;
  {
    auto db = engine::Database::open(path.string());
    ids = updatetest::rowIds(*db, db->table(u"Words"));
  }
  const engine::RowId id = ids.at(5);
  auto set = [&](engine::RowId which, int column, const std::u16string& value) {
    auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
    const auto& table = db->table(u"Words");
    db->updateText(table, which, column, value);
    db->commit();
    return db->readRow(table, which)->storedAt;
  };
  auto flags = [&](engine::RowId where) {
    auto db = engine::Database::open(path.string());
    return updatetest::slotFlags(*db, placeOf(where));
  };
  auto length = [&](engine::RowId where) {
    auto db = engine::Database::open(path.string());
    return updatetest::rowLength(*db, placeOf(where));
  };
  const std::size_t homeLength = length(id);

  // Away: the header row points to a live target with the deleted bit alone.
  const engine::RowId first = set(id, 1, repeat(u"b", 250));
  ASSERT_NE(first, id);
  EXPECT_EQ(flags(id), dp::kSlotLookup);
  EXPECT_EQ(flags(first), dp::kSlotDeleted);
  EXPECT_EQ(length(id), homeLength) << "the header row keeps its bytes";
  expectConsistent(path, u"Words");
  expectReadersAgree(path, u"Words");

  // Fill the target's page with other moved records, then grow it again.
  for (std::size_t n = 100; n < 130; ++n) set(ids.at(n), 1, repeat(u"c", 250));
  const engine::RowId second = set(id, 2, repeat(u"Ω", 250));
  ASSERT_NE(second, id);
  ASSERT_NE(second.page, first.page) << "the record should have moved on";
  EXPECT_EQ(flags(id), dp::kSlotLookup);
  EXPECT_EQ(flags(second), dp::kSlotDeleted);
  EXPECT_EQ(flags(first), dp::kSlotRemoved) << "the row left behind is removed";
  EXPECT_EQ(length(first), 0u) << "its bytes are squeezed out";
  expectConsistent(path, u"Words");
  expectReadersAgree(path, u"Words");

  // Small again: back in the header row's own bytes.
  set(id, 2, u"x");
  const engine::RowId home = set(id, 1, u"y");
  EXPECT_EQ(home, id);
  EXPECT_EQ(flags(id), 0);
  EXPECT_EQ(flags(second), dp::kSlotRemoved);
  EXPECT_EQ(length(second), 0u);
  expectConsistent(path, u"Words");
  expectReadersAgree(path, u"Words");

  // And away once more: a new slot, never a removed one given out again.
  const engine::RowId third = set(id, 1, repeat(u"d", 250));
  ASSERT_NE(third, id);
  EXPECT_NE(third, first);
  EXPECT_NE(third, second);
  EXPECT_EQ(flags(first), dp::kSlotRemoved);
  EXPECT_EQ(flags(second), dp::kSlotRemoved);
  expectConsistent(path, u"Words");
  expectReadersAgree(path, u"Words");
}

// A record that grows past its page and shrinks back home hundreds of
// times reuses the room its removed rows held: the file grows by a page or
// two for the slots, not by a page for every few moves.
TEST(UpdateMove, RoomOfRemovedRowsIsUsedAgain) {
  testsupport::TempDir dir;
  const auto path =
      testsupport::makeDatabase(dir.path() / "again.mdb", {wordsTable(400, 2, repeat(u"a", 40))});
  const auto sizeBefore = std::filesystem::file_size(path);
  std::size_t away = 0;
  {
    auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
    const auto& table = db->table(u"Words");
    engine::Row row;
    ASSERT_TRUE(db->scan(table)->next(row));
    for (int i = 0; i < 300; ++i) {
      db->updateText(table, row.id, 1, repeat(u"Ω", 250));
      away += db->readRow(table, row.id)->storedAt == row.id ? 0 : 1;
      db->updateText(table, row.id, 1, u"s");
      EXPECT_EQ(db->readRow(table, row.id)->storedAt, row.id) << "back home";
    }
    db->commit();
  }
  EXPECT_EQ(away, 300u);
  EXPECT_LE(std::filesystem::file_size(path), sizeBefore + 2 * 4096);
  expectConsistent(path, u"Words");
  expectReadersAgree(path, u"Words");
}

// Long values given up when a memo changes size are removed as Access
// removes them: both bits, no bytes left; later values use their room.
TEST(UpdateMove, ReleasedLongValueRowsAreRemoved) {
  testsupport::TempDir dir;
  engine::NewTable table;
  table.name = u"Notes";
  table.columns = {column(u"Id", NewColumn::Type::Long), column(u"Text", NewColumn::Type::Memo)};
  for (int i = 0; i < 20; ++i) table.rows.push_back({std::int32_t{i}, engine::Text(u"short")});
  const auto path = testsupport::makeDatabase(dir.path() / "notes.accdb", {table});
  auto setAll = [&](const std::u16string& value) {
    auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
    const auto& def = db->table(u"Notes");
    for (engine::RowId id : updatetest::rowIds(*db, def)) db->updateText(def, id, 1, value);
    db->commit();
  };
  auto rowsNow = [&] {
    auto db = engine::Database::open(path.string());
    return updatetest::longValueRows(*db, db->table(u"Notes"));
  };
  setAll(repeat(u"a chain of long-value rows ", 400));
  const std::set<RowPlace> chains = rowsNow();
  ASSERT_GT(chains.size(), 20u);
  const auto sizeWithChains = std::filesystem::file_size(path);
  setAll(u"inline again");
  {
    auto db = engine::Database::open(path.string());
    for (const RowPlace& place : chains) {
      EXPECT_EQ(updatetest::slotFlags(*db, place), dp::kSlotRemoved);
      EXPECT_EQ(updatetest::rowLength(*db, place), 0u);
    }
  }
  expectConsistent(path, u"Notes");
  setAll(repeat(u"A CHAIN OF LONG-VALUE ROWS ", 400));
  EXPECT_LE(std::filesystem::file_size(path), sizeWithChains + 2 * 4096)
      << "the released room serves again";
  expectConsistent(path, u"Notes");
  expectReadersAgree(path, u"Notes");
}

}  // namespace
