// What a connection tells its write observer, and ReplaceText, the write
// of one record by its identity that undo files are put back with.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ado/connection.h"
#include "ado/constants.h"
#include "ado/error.h"
#include "ado/write_observer.h"
#include "engine/database.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

std::vector<char> bytesOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

ado::Text connectionString(const std::filesystem::path& path) {
  const std::string p = path.string();
  return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + ado::Text(p.begin(), p.end());
}

class Recorder final : public ado::WriteObserver {
 public:
  void writing(const ado::TextChange& change) override {
    events.push_back("writing " + of(change));
  }
  void written(const ado::TextChange& change) override {
    events.push_back("written " + of(change));
  }
  void refused(const ado::TextChange& change, const ado::Error&) override {
    events.push_back("refused " + of(change));
  }
  void committing() override {
    events.push_back("committing");
    if (failCommit)
      throw ado::Error::fromEngine(
          engine::Error(engine::ErrorKind::IoError, "no room for the undo file"));
  }
  static std::string of(const ado::TextChange& c) {
    auto utf8 = [](const ado::Text& t) { return std::string(t.begin(), t.end()); };
    return utf8(c.table) + "." + utf8(c.field) + " " + std::to_string(c.row.page) + "/" +
           std::to_string(c.row.slot) + " " + (c.before.isText() ? utf8(c.before.text()) : "null") +
           "->" + utf8(c.after);
  }
  std::vector<std::string> events;
  bool failCommit = false;
};

class ConnectionObserver : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::NewTable table;
    table.name = u"Names";
    table.columns = {testsupport::column(u"Id", engine::NewColumn::Type::Long),
                     testsupport::textColumn(u"Name", 8)};
    table.rows = {{std::int32_t{1}, ado::Text(u"smith")},
                  {std::int32_t{2}, ado::Text(u"jones")},
                  {std::int32_t{3}, ado::Text(u"Smith")}};
    path_ = testsupport::makeDatabase(dir_.path() / "o.mdb", {table});
    auto db = engine::Database::open(path_.string());
    auto scan = db->scan(db->table(u"Names"));
    engine::Row row;
    while (scan->next(row)) ids_.push_back(row.id);
  }
  void open(int mode = ado::adModeReadWrite) {
    connection_.SetMode(mode);
    connection_.SetWriteObserver(&recorder_);
    connection_.Open(connectionString(path_));
  }
  std::string at(std::size_t i) const {
    return std::to_string(ids_[i].page) + "/" + std::to_string(ids_[i].slot);
  }
  std::u16string nameOf(std::size_t i) {
    auto db = engine::Database::open(path_.string());
    return db->readRow(db->table(u"Names"), ids_[i])->values[1].text();
  }

  testsupport::TempDir dir_;
  std::filesystem::path path_;
  std::vector<engine::RowId> ids_;
  Recorder recorder_;
  ado::Connection connection_;
};

TEST_F(ConnectionObserver, EveryWrittenRecordIsToldBeforeAndAfterAndBeforeTheCommit) {
  open();
  EXPECT_EQ(connection_.Execute(u"update [names] set [name]='SMITH' where [name]='smith'"), 2);
  connection_.Close();
  EXPECT_EQ(recorder_.events, (std::vector<std::string>{
                                  "writing Names.Name " + at(0) + " smith->SMITH",
                                  "written Names.Name " + at(0) + " smith->SMITH",
                                  "writing Names.Name " + at(2) + " Smith->SMITH",
                                  "written Names.Name " + at(2) + " Smith->SMITH", "committing"}));
}

TEST_F(ConnectionObserver, RefusedWriteIsToldAndOthersGoOn) {
  open();
  EXPECT_THROW(
      connection_.Execute(u"update [Names] set [Name]='much too long' where [Name]='jones'"),
      ado::Error);
  EXPECT_EQ(connection_.Execute(u"update [Names] set [Name]='JONES' where [Name]='jones'"), 1);
  connection_.Close();
  EXPECT_EQ(recorder_.events, (std::vector<std::string>{
                                  "writing Names.Name " + at(1) + " jones->much too long",
                                  "refused Names.Name " + at(1) + " jones->much too long",
                                  "writing Names.Name " + at(1) + " jones->JONES",
                                  "written Names.Name " + at(1) + " jones->JONES", "committing"}));
  EXPECT_EQ(nameOf(1), u"JONES");
}

TEST_F(ConnectionObserver, CommitRefusedByTheObserverChangesNothing) {
  const auto before = bytesOf(path_);
  open();
  recorder_.failCommit = true;
  connection_.Execute(u"update [Names] set [Name]='JONES' where [Name]='jones'");
  EXPECT_THROW(connection_.Close(), ado::Error);
  EXPECT_FALSE(connection_.IsOpen());
  EXPECT_EQ(bytesOf(path_), before);
}

TEST_F(ConnectionObserver, ReplaceTextWritesOnlyARecordHoldingTheExpectedText) {
  open();
  // Holds "jones": written, the observer hears of it.
  auto found = connection_.ReplaceText(u"names", u"NAME", ids_[1], u"jones", u"Jones");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->text(), u"jones");
  // Holds "smith", not "SMITH": left alone, what it holds is returned.
  found = connection_.ReplaceText(u"Names", u"Name", ids_[0], u"SMITH", u"smith");
  EXPECT_EQ(found->text(), u"smith");
  // No such record.
  EXPECT_FALSE(connection_.ReplaceText(u"Names", u"Name", {ids_[0].page, 200}, u"x", u"y"));
  EXPECT_THROW(connection_.ReplaceText(u"Names", u"Id", ids_[0], u"1", u"2"), ado::Error);
  EXPECT_THROW(connection_.ReplaceText(u"Names", u"Nope", ids_[0], u"1", u"2"), ado::Error);
  // The lookup behind UPDATE follows: the record is found under its new text only.
  EXPECT_EQ(connection_.Execute(u"update [Names] set [Name]='x' where [Name]='JONES!'"), 0);
  EXPECT_EQ(connection_.Execute(u"update [Names] set [Name]='JONES' where [Name]='Jones'"), 1);
  connection_.Close();
  EXPECT_EQ(recorder_.events.front(), "writing Names.Name " + at(1) + " jones->Jones");
  EXPECT_EQ(nameOf(1), u"JONES");
  EXPECT_EQ(nameOf(0), u"smith");
}

TEST_F(ConnectionObserver, ReplaceTextOnAReadOnlyConnectionIsRefused) {
  open(ado::adModeRead);
  try {
    static_cast<void>(connection_.ReplaceText(u"Names", u"Name", ids_[1], u"jones", u"Jones"));
    ADD_FAILURE() << "wrote on a read-only connection";
  } catch (const ado::Error& e) {
    EXPECT_EQ(e.engineKind(), engine::ErrorKind::ReadOnly);
  }
  EXPECT_TRUE(recorder_.events.empty());
}

}  // namespace
