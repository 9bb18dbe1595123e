// UPDATE through the ADO-like connection writes through the engine and is
// saved when the connection closes.

#include <gtest/gtest.h>

#include "ado/connection.h"
#include "ado/constants.h"
#include "ado/error.h"
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
