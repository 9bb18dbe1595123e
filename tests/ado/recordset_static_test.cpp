// A static recordset reads its rows as the walk reaches them, yet hands out
// the values the rows held when it was opened: also for rows its connection
// changed ahead of the walk, for the record in hand, for memos that moved
// between the row and pages of their own, and after the connection closed.

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ado/connection.h"
#include "ado/constants.h"
#include "ado/error.h"
#include "ado/recordset.h"
#include "ado/sql.h"
#include "engine/database.h"
#include "engine/utf.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using ado::Text;
using ado::Value;

Text connectionString(const std::filesystem::path& path) {
  return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + engine::fromUtf8(path.string());
}

// Long enough to be kept on pages of its own, not in the row.
Text letter(char16_t mark, std::size_t words) {
  return Text(1, mark) + testsupport::repeat(u" and some more words", words);
}

// The rows' identities, from a scan of the engine's own.
std::vector<engine::RowId> rowIds(const std::filesystem::path& path, const Text& table) {
  auto database = engine::Database::open(path.string());
  auto scan = database->scan(database->table(table), engine::ColumnSelection::only({}));
  std::vector<engine::RowId> rows;
  engine::Row row;
  while (scan->next(row)) rows.push_back(row.id);
  return rows;
}

Text update(const Text& set, const Text& where) {
  return u"UPDATE [People] SET [Notes]=" + ado::sql::QuoteLiteral(set) + u" WHERE [Notes]=" +
         ado::sql::QuoteLiteral(where);
}

class StaticRecordset : public testing::Test {
 protected:
  void SetUp() override {
    // Short notes, and long letters on their own pages.
    notes_ = {u"a",      letter(u'b', 400), u"c", u"shared", letter(u'e', 900), u"shared", u"g",
              u"SHARED", letter(u'i', 200), u"j"};
    engine::NewTable table{u"People",
                           {testsupport::column(u"Id", engine::NewColumn::Type::Long),
                            testsupport::column(u"Notes", engine::NewColumn::Type::Memo)},
                           {},
                           {}};
    for (std::size_t i = 0; i < notes_.size(); ++i)
      table.rows.push_back({static_cast<std::int32_t>(i), Text(notes_[i])});
    path_ = testsupport::makeDatabase(dir_.path() / "p.mdb", {table});
    rows_ = rowIds(path_, u"People");
    connection_.SetMode(ado::adModeReadWrite);
    connection_.Open(connectionString(path_));
  }

  void open(ado::Recordset& recordset, const Text& field = u"Notes") {
    recordset.Open(u"SELECT `" + field + u"` FROM `People`", connection_, ado::adOpenStatic,
                   ado::adLockReadOnly);
  }

  // The rest of a walk, from the record in hand.
  static std::vector<Text> rest(ado::Recordset& recordset, int field = 0) {
    std::vector<Text> values;
    for (; !recordset.Eof(); recordset.MoveNext())
      values.push_back(recordset.ValueAt(field).text());
    return values;
  }

  std::vector<Text> now() {
    ado::Recordset recordset;
    open(recordset);
    return rest(recordset);
  }

  std::vector<Text> from(std::size_t first) const {
    return {notes_.begin() + static_cast<std::ptrdiff_t>(first), notes_.end()};
  }

  testsupport::TempDir dir_;
  std::filesystem::path path_;
  std::vector<Text> notes_;
  std::vector<engine::RowId> rows_;
  ado::Connection connection_;
};

TEST_F(StaticRecordset, UpdatesBehindOnAndAheadOfTheWalkAreNotSeen) {
  ado::Recordset recordset;
  open(recordset);
  EXPECT_EQ(recordset.RecordCount(), 10);
  for (int i = 0; i < 3; ++i) recordset.MoveNext();
  // Behind (a), the record in hand, not yet read (shared ... SHARED, three
  // records from here on), and ahead: long letters made short and a short
  // note made long.
  EXPECT_EQ(connection_.Execute(update(u"A", u"a")), 1);
  EXPECT_EQ(connection_.Execute(update(u"S", u"shared")), 3);
  EXPECT_EQ(connection_.Execute(update(u"E", notes_[4])), 1);
  EXPECT_EQ(connection_.Execute(update(letter(u'G', 1200), u"g")), 1);
  EXPECT_EQ(connection_.Execute(update(letter(u'I', 50), notes_[8])), 1);
  EXPECT_EQ(rest(recordset), from(3));
  EXPECT_EQ(recordset.RecordCount(), 10);

  const std::vector<Text> changed = {
      u"A", notes_[1], u"c", u"S", u"E", u"S", letter(u'G', 1200), u"S", letter(u'I', 50), u"j"};
  EXPECT_EQ(now(), changed);
  connection_.Close();
  auto database = engine::Database::open(path_.string());
  auto scan = database->scan(database->table(u"People"));
  engine::Row row;
  std::vector<Text> saved;
  while (scan->next(row)) saved.push_back(row.values[1].text());
  EXPECT_EQ(saved, changed);
}

TEST_F(StaticRecordset, TheRecordInHandKeepsItsValueReadOrNot) {
  ado::Recordset recordset;
  open(recordset);
  recordset.MoveNext();
  // Read, then changed (the run's own UPDATE of the record in hand).
  const Value& read = recordset.ValueAt(0);
  EXPECT_EQ(read.text(), notes_[1]);
  EXPECT_EQ(connection_.Execute(update(u"B", notes_[1])), 1);
  EXPECT_EQ(read.text(), notes_[1]);
  EXPECT_EQ(recordset.ValueAt(0).text(), notes_[1]);
  recordset.MoveNext();
  // Changed before it was read, twice.
  EXPECT_EQ(connection_.Execute(update(letter(u'C', 700), u"c")), 1);
  EXPECT_EQ(connection_.Execute(update(u"C", letter(u'C', 700))), 1);
  EXPECT_EQ(rest(recordset), from(2));
}

TEST_F(StaticRecordset, ChangesBeforeTheFirstReadAreNotSeen) {
  ado::Recordset recordset;
  open(recordset);
  EXPECT_EQ(connection_.Execute(update(u"S", u"Shared")), 3);
  EXPECT_EQ(connection_.Execute(update(u"x", notes_[1])), 1);
  EXPECT_EQ(recordset.RecordCount(), 10);
  EXPECT_EQ(rest(recordset), notes_);
}

TEST_F(StaticRecordset, ReplaceTextIsNotSeenAhead) {
  ado::Recordset ids;
  open(ids, u"Id");
  ado::Recordset recordset;
  open(recordset);
  recordset.MoveNext();
  ASSERT_EQ(rows_.size(), notes_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const auto before = connection_.ReplaceText(u"People", u"Notes", rows_[i], notes_[i],
                                                i % 2 ? letter(u'R', 300) : Text(u"r"));
    ASSERT_TRUE(before);
    EXPECT_EQ(before->text(), notes_[i]);
  }
  EXPECT_EQ(rest(recordset), from(1));
  // A recordset of another field keeps nothing and reads what is there.
  EXPECT_EQ(ids.RecordCount(), 10);
  for (std::int32_t i = 0; !ids.Eof(); ids.MoveNext(), ++i) EXPECT_EQ(ids.ValueAt(0), Value(i));
}

TEST_F(StaticRecordset, TheConnectionClosingMidWalkLeavesTheWalkWhole) {
  ado::Recordset unread;
  open(unread);
  ado::Recordset recordset;
  open(recordset);
  for (int i = 0; i < 4; ++i) recordset.MoveNext();
  EXPECT_EQ(recordset.ValueAt(0).text(), notes_[4]);
  EXPECT_EQ(connection_.Execute(update(u"S", u"shared")), 3);
  EXPECT_EQ(connection_.Execute(update(u"x", notes_[4])), 1);
  EXPECT_EQ(connection_.Execute(update(letter(u'J', 10), u"j")), 1);
  connection_.Close();
  EXPECT_EQ(recordset.RecordCount(), 10);
  EXPECT_EQ(rest(recordset), from(4));
  EXPECT_EQ(unread.RecordCount(), 10);
  EXPECT_EQ(rest(unread), notes_);
  EXPECT_THROW(recordset.ValueAt(0), ado::Error);
}

// Long random sequences of walks, UPDATEs with WHERE on values and
// ReplaceText, with recordsets opened, walked, closed and left open across
// closings of the connection; every value read is checked against a plain
// model of what each recordset saw at its opening.
TEST(StaticRecordsetRandom, WalksMatchTheValuesAtOpening) {
  std::mt19937 random(20261209);
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  // Few distinct texts, in several letter cases, the last ones long.
  const std::vector<Text> vocabulary = {
      u"alpha",       u"Alpha",         u"ALPHA",         u"beta",           u"gamma delta",
      u"Gamma Delta", letter(u'l', 60), letter(u'L', 60), letter(u'm', 200), letter(u'n', 30)};
  constexpr std::size_t kShort = 6;
  // Texts to write: now and then a long one (each takes new long-value
  // room, and the column's pages are few).
  const auto newText = [&] {
    return vocabulary[pick(12) == 0 ? kShort + pick(vocabulary.size() - kShort) : pick(kShort)];
  };
  constexpr std::size_t kRows = 60;
  std::vector<Text> model;
  engine::NewTable table{u"T",
                         {testsupport::column(u"Id", engine::NewColumn::Type::Long),
                          testsupport::column(u"Notes", engine::NewColumn::Type::Memo)},
                         {},
                         {}};
  for (std::size_t i = 0; i < kRows; ++i) {
    model.push_back(vocabulary[pick(vocabulary.size())]);
    table.rows.push_back({static_cast<std::int32_t>(i), Text(model.back())});
  }
  testsupport::TempDir dir;
  const auto path = testsupport::makeDatabase(dir.path() / "r.mdb", {table});
  const std::vector<engine::RowId> rows = rowIds(path, u"T");
  ASSERT_EQ(rows.size(), kRows);

  const auto key = [](const Text& text) {
    Text lower = text;
    for (char16_t& unit : lower)
      if (unit < 128) unit = static_cast<char16_t>(std::tolower(static_cast<int>(unit)));
    return lower;
  };
  struct Walk {
    std::unique_ptr<ado::Recordset> recordset = std::make_unique<ado::Recordset>();
    std::vector<Text> seen;  // the model at the opening
    std::size_t position = 0;
  };
  std::vector<Walk> walks;
  auto connection = std::make_unique<ado::Connection>();
  const auto reconnect = [&] {
    if (connection->IsOpen()) connection->Close();
    connection = std::make_unique<ado::Connection>();
    connection->SetMode(ado::adModeReadWrite);
    connection->Open(connectionString(path));
  };
  reconnect();
  for (int step = 0; step < 1000; ++step) {
    const std::size_t what = pick(100);
    if (what < 8 && walks.size() < 4) {
      Walk walk;
      walk.recordset->Open(u"SELECT `Notes` FROM `T`", *connection, ado::adOpenStatic,
                           ado::adLockReadOnly);
      walk.seen = model;
      walks.push_back(std::move(walk));
    } else if (what < 50 && !walks.empty()) {
      Walk& walk = walks[pick(walks.size())];
      for (std::size_t n = pick(30); n > 0 && walk.position < kRows; --n) {
        ASSERT_FALSE(walk.recordset->Eof());
        ASSERT_EQ(walk.recordset->ValueAt(0).text(), walk.seen[walk.position])
            << "step " << step << ", record " << walk.position;
        walk.recordset->MoveNext();
        ++walk.position;
      }
      ASSERT_EQ(walk.recordset->Eof(), walk.position == kRows);
      ASSERT_EQ(walk.recordset->RecordCount(), static_cast<long>(kRows));
    } else if (what < 80) {
      const Text where = vocabulary[pick(vocabulary.size())];
      const Text set = newText();
      long matched = 0;
      for (Text& value : model)
        if (key(value) == key(where)) {
          value = set;
          ++matched;
        }
      ASSERT_EQ(connection->Execute(u"UPDATE [T] SET [Notes]=" + ado::sql::QuoteLiteral(set) +
                                    u" WHERE [Notes]=" + ado::sql::QuoteLiteral(where)),
                matched)
          << "step " << step;
    } else if (what < 92) {
      const std::size_t row = pick(kRows);
      const Text value = newText();
      const auto before = connection->ReplaceText(u"T", u"Notes", rows[row], model[row], value);
      ASSERT_TRUE(before && before->text() == model[row]);
      model[row] = value;
    } else if (what < 97 && !walks.empty()) {
      const std::size_t at = pick(walks.size());
      walks[at].recordset->Close();
      walks.erase(walks.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (what >= 97) {
      // Open walks are left to the closing connection.
      reconnect();
    }
  }
  for (Walk& walk : walks)
    for (; walk.position < kRows; ++walk.position, walk.recordset->MoveNext())
      ASSERT_EQ(walk.recordset->ValueAt(0).text(), walk.seen[walk.position]);
  connection->Close();
  auto database = engine::Database::open(path.string());
  auto scan = database->scan(database->table(u"T"));
  engine::Row row;
  for (std::size_t i = 0; scan->next(row); ++i) ASSERT_EQ(row.values[1].text(), model[i]);
}

}  // namespace
