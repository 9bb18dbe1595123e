// UPDATE through the ADO-like connection writes through the engine and is
// saved when the connection closes.

#include <gtest/gtest.h>

#include "ado/connection.h"
#include "ado/constants.h"
#include "ado/error.h"
#include "ado/recordset.h"
#include "engine/database.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

ado::Text connectionString(const std::filesystem::path& path) {
  const std::string p = path.string();
  return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + ado::Text(p.begin(), p.end());
}

TEST(ConnectionUpdate, ExecuteChangesMatchingRecordsAndCloseSavesThem) {
  testsupport::TempDir dir;
  engine::NewTable table;
  table.name = u"Names";
  table.columns = {testsupport::column(u"Id", engine::NewColumn::Type::Long),
                   testsupport::textColumn(u"Name", 50)};
  for (int i = 0; i < 50; ++i)
    table.rows.push_back({std::int32_t{i}, ado::Text(i % 2 ? u"smith" : u"jones")});
  auto path = testsupport::makeDatabase(dir.path() / "c.mdb", {table});
  {
    ado::Connection connection;
    connection.SetMode(ado::adModeReadWrite);
    connection.Open(connectionString(path));
    EXPECT_EQ(connection.Execute(u"UPDATE [Names] SET [Name] = 'SMITH' WHERE [Name] = 'smith'"),
              25);
    // RowIds stay: the same rows are found again under their new value.
    EXPECT_EQ(connection.Execute(
                  u"UPDATE [Names] SET [Name] = 'Smith The Younger' WHERE [Name] = 'SMITH'"),
              25);
    connection.Close();
  }
  auto db = engine::Database::open(path.string());
  auto scan = db->scan(db->table(u"Names"));
  engine::Row row;
  int smiths = 0;
  while (scan->next(row)) smiths += row.values[1] == ado::Value(ado::Text(u"Smith The Younger"));
  EXPECT_EQ(smiths, 25);
}

TEST(ConnectionUpdate, RecordsSetToAnotherTextNoLongerMatch) {
  testsupport::TempDir dir;
  engine::NewTable table;
  table.name = u"Names";
  table.columns = {testsupport::textColumn(u"Name", 50)};
  for (int i = 0; i < 20; ++i) table.rows.push_back({ado::Text(i % 2 ? u"smith" : u"jones")});
  auto path = testsupport::makeDatabase(dir.path() / "m.mdb", {table});
  ado::Connection connection;
  connection.SetMode(ado::adModeReadWrite);
  connection.Open(connectionString(path));
  // The same statement again matches none: the records now hold another text.
  const ado::Text toBrown = u"UPDATE [Names] SET [Name] = 'brown' WHERE [Name] = 'smith'";
  EXPECT_EQ(connection.Execute(toBrown), 10);
  EXPECT_EQ(connection.Execute(toBrown), 0);
  // A change of letter case only: the records still match.
  const ado::Text toUpper = u"UPDATE [Names] SET [Name] = 'BROWN' WHERE [Name] = 'brown'";
  EXPECT_EQ(connection.Execute(toUpper), 10);
  EXPECT_EQ(connection.Execute(toUpper), 10);
}

TEST(ConnectionUpdate, ReadOnlyConnectionRefusesUpdates) {
  testsupport::TempDir dir;
  engine::NewTable table;
  table.name = u"Names";
  table.columns = {testsupport::textColumn(u"Name", 50)};
  table.rows = {{ado::Text(u"smith")}};
  auto path = testsupport::makeDatabase(dir.path() / "r.mdb", {table});
  ado::Connection connection;
  connection.Open(connectionString(path));
  try {
    connection.Execute(u"UPDATE [Names] SET [Name] = 'SMITH' WHERE [Name] = 'smith'");
    ADD_FAILURE() << "expected a refusal";
  } catch (const ado::Error& e) {
    EXPECT_EQ(e.description(), ado::Error::readOnly().description());
  }
}

}  // namespace

namespace {

class ConnectionWhere : public testing::Test {
 protected:
  void SetUp() override {
    engine::NewTable table;
    table.name = u"Places";
    table.columns = {testsupport::textColumn(u"City", 50), testsupport::textColumn(u"Other", 50)};
    for (const char16_t* city :
         {u"paris", u"PARIS", u"Paris", u"paris ", u" paris", u"pàris", u"parisx"})
      table.rows.push_back({ado::Text(city), ado::Text(u"o")});
    path_ = testsupport::makeDatabase(dir_.path() / "w.mdb", {table});
    connection_.SetMode(ado::adModeReadWrite);
    connection_.Open(connectionString(path_));
  }

  std::vector<ado::Value> cities() {
    auto rs = std::make_unique<ado::Recordset>();
    rs->Open(u"SELECT `City` FROM `Places`", connection_, ado::adOpenStatic, ado::adLockReadOnly);
    std::vector<ado::Value> values;
    for (; !rs->Eof(); rs->MoveNext()) values.push_back(rs->ValueAt(0));
    return values;
  }

  testsupport::TempDir dir_;
  std::filesystem::path path_;
  ado::Connection connection_;
};

TEST_F(ConnectionWhere, LetterCaseIsIgnoredBlanksAndAccentsCount) {
  EXPECT_EQ(connection_.Execute(u"update [Places] set [City]='X' where [City]='pArIs'"), 3);
  const std::vector<ado::Value> expected = {
      ado::Text(u"X"),      ado::Text(u"X"),     ado::Text(u"X"),     ado::Text(u"paris "),
      ado::Text(u" paris"), ado::Text(u"pàris"), ado::Text(u"parisx")};
  EXPECT_EQ(cities(), expected);
}

TEST_F(ConnectionWhere, RecordsetsAreStaticSnapshots) {
  ado::Recordset rs;
  rs.Open(u"SELECT `City` FROM `Places`", connection_, ado::adOpenStatic, ado::adLockReadOnly);
  EXPECT_EQ(rs.RecordCount(), 7);
  connection_.Execute(u"update [Places] set [City]='PARIS' where [City]='paris'");
  EXPECT_EQ(rs.ValueAt(0), ado::Value(ado::Text(u"paris")));  // read before the write
  EXPECT_EQ(cities()[0], ado::Value(ado::Text(u"PARIS")));    // a new recordset sees it
}

TEST_F(ConnectionWhere, AnotherColumnCanBeSetAndUnknownNamesAreNamed) {
  EXPECT_EQ(connection_.Execute(u"UPDATE [Places] SET [Other]='y' WHERE [City]='parisx'"), 1);
  try {
    connection_.Execute(u"UPDATE [Nowhere] SET [City]='y' WHERE [City]='x'");
    ADD_FAILURE();
  } catch (const ado::Error& e) {
    EXPECT_EQ(e.description(), "Cannot find the input table or query 'Nowhere'.");
  }
  try {
    connection_.Execute(u"UPDATE [Places] SET [Town]='y' WHERE [City]='x'");
    ADD_FAILURE();
  } catch (const ado::Error& e) {
    EXPECT_NE(e.description().find("'Town'"), std::string::npos);
  }
  EXPECT_THROW(connection_.Execute(u"UPDATE [Places] SET [City]='y'"), ado::Error);
}

}  // namespace
