// A change whose new page its table's and its memo column's inline maps
// cannot hold promotes them to reference maps. A fault at every write and
// sync of those changes leaves each map as it was or as it became, never
// part of each, with the values old or new.

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/read/data_page.h"
#include "engine/read/usage_map.h"
#include "engine/support/journal_fixture.h"
#include "engine/support/update_support.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using engine::NewColumn;
using testsupport::repeat;
using updatetest::MemoryFolder;
using namespace journaltest;

// Items (small, at the start of the file) and, after it, a table filling
// more than one inline map window, so that Items's next new page lies
// outside its maps' windows.
std::vector<std::uint8_t> promotionFixture() {
  testsupport::TempDir dir;
  engine::NewTable items;
  items.name = u"Items";
  items.columns = {testsupport::column(u"Id", NewColumn::Type::Long),
                   testsupport::textColumn(u"Name", 255),
                   testsupport::column(u"Notes", NewColumn::Type::Memo)};
  items.indexes = {{u"PrimaryKey", {u"Id"}, true, true}, {u"ByName", {u"Name"}, false, false}};
  for (int i = 0; i < 40; ++i)
    items.rows.push_back({std::int32_t{i}, engine::Text(u"ÿes " + repeat(u"word ", 20)),
                          engine::Text(repeat(u"a note ", 50 + i))});
  engine::NewTable filler;
  filler.name = u"Filler";
  filler.columns = {testsupport::column(u"Id", NewColumn::Type::Long),
                    testsupport::textColumn(u"Pad", 255)};
  for (int i = 0; i < 4800; ++i)
    filler.rows.push_back({std::int32_t{i}, engine::Text(repeat(u"Ж", 250))});
  const auto path = testsupport::makeDatabase(dir.path() / "promote.mdb", {items, filler});
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct MapState {
  bool reference = false;
  std::vector<std::uint32_t> pages;
  bool operator==(const MapState&) const = default;
};

MapState mapState(engine::Database& db, std::uint32_t pointer) {
  const engine::RowPointer where = engine::RowPointer::fromRaw(pointer);
  engine::PageRef page = db.pager().page(where.page);
  engine::DataPageView view(db.pager().view(page, where.page), db.format());
  return {view.row(where.row).u8(0) == 1, engine::readUsageMap(db.pager(), db.format(), pointer)};
}

// The table's owned map and its memo column's owned map.
std::vector<MapState> maps(engine::Database& db) {
  const auto& table = db.table(u"Items");
  return {mapState(db, table.ownedPagesMap), mapState(db, table.longValueMaps.at(0).ownedPages)};
}

class PromotionJournalTest : public ::testing::TestWithParam<MemoryFolder::Fault> {};

TEST_P(PromotionJournalTest, EveryFaultPointLeavesTheOldMapOrTheNewOne) {
  const std::vector<std::uint8_t> original = promotionFixture();
  // Records grow until one needs a new page; then a memo needs one.
  std::vector<Change> list;
  for (std::size_t row = 0; row < 8; ++row)
    list.push_back({row, u"Name", u"ŸES " + repeat(u"WORD ", 50)});
  list.push_back({8, u"Notes", repeat(u"a longer note ", 600)});
  MemoryFolder reference;
  reference.put(kPath, original);
  std::vector<MapState> before, after;
  std::vector<engine::Value> names, notes;
  {
    auto db = engine::Database::open(kPath, options(reference, false));
    before = maps(*db);
    names = values(*db, u"Name");
    notes = values(*db, u"Notes");
  }
  ASSERT_FALSE(before[0].reference);
  ASSERT_FALSE(before[1].reference);
  runChanges(reference, false, {}, list);
  const std::uint64_t steps = reference.steps();
  {
    auto db = engine::Database::open(kPath, options(reference, false));
    after = maps(*db);
    EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
  }
  ASSERT_TRUE(after[0].reference) << "the table's map should have been promoted";
  ASSERT_TRUE(after[1].reference) << "the memo column's map should have been promoted";
  std::cout << "fault points: " << steps << "\n";

  std::size_t sawOld = 0, sawNew = 0;
  for (std::uint64_t faultAt = 1; faultAt <= steps; ++faultAt) {
    SCOPED_TRACE("fault at step " + std::to_string(faultAt) + " of " + std::to_string(steps));
    MemoryFolder folder;
    folder.put(kPath, original);
    folder.injectFault(GetParam(), faultAt);
    std::streambuf* saved = std::cerr.rdbuf(nullptr);
    try {
      runChanges(folder, false, {}, list);
    } catch (const engine::Error&) {
    }
    std::cerr.rdbuf(saved);
    folder.reboot();
    auto db = engine::Database::open(kPath, options(folder, false));
    EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
    EXPECT_EQ(updatetest::missingIndexEntries(*db, db->table(u"Items")),
              std::vector<std::string>{});
    const std::vector<MapState> now = maps(*db);
    const auto nowNames = values(*db, u"Name");
    const auto nowNotes = values(*db, u"Notes");
    // Committed one by one: a prefix of the changes is there.
    std::size_t made = 0;
    for (const Change& change : list) {
      const auto& now = change.column == u"Name" ? nowNames : nowNotes;
      const auto& old = change.column == u"Name" ? names : notes;
      const bool isNew = now[change.row] == engine::Value(engine::Text(change.value));
      EXPECT_TRUE(isNew || now[change.row] == old[change.row]) << change.row;
      EXPECT_FALSE(isNew && made < static_cast<std::size_t>(&change - list.data()))
          << "a later change survived an earlier lost one";
      made += isNew;
    }
    const bool namesNew = made >= list.size() - 1;
    const bool noteNew = made == list.size();
    if (namesNew) {
      EXPECT_EQ(now[0], after[0]) << "the table's map";
    }
    if (made == 0) {
      EXPECT_EQ(now[0], before[0]) << "the table's map";
    }
    EXPECT_TRUE(now[0] == before[0] || now[0] == after[0]) << "the table's map is half promoted";
    EXPECT_EQ(now[1], noteNew ? after[1] : before[1]) << "the memo column's map";
    (noteNew ? sawNew : sawOld)++;
  }
  EXPECT_GT(sawOld, 0u);
  EXPECT_GT(sawNew, 0u);
}

INSTANTIATE_TEST_SUITE_P(Faults, PromotionJournalTest,
                         ::testing::Values(MemoryFolder::Fault::Fail, MemoryFolder::Fault::Die),
                         [](const auto& info) {
                           return info.param == MemoryFolder::Fault::Fail ? "Fail" : "Die";
                         });

}  // namespace
