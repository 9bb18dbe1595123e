#include "engine/support/journal_fixture.h"

#include <fstream>

#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace journaltest {

using engine::NewColumn;
using updatetest::MemoryFolder;

std::u16string repeat(std::u16string_view unit, std::size_t times) {
  std::u16string out;
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

std::vector<Change> changes() {
  return {{1, u"Name", u"NAME NUMBER 1"},
          {2, u"Name", u"name number 2 grows a little"},
          {3, u"Name", repeat(u"G", 250)},
          {4, u"Notes", repeat(u"memo grows onto new long-value pages ", 200)},
          {5, u"Name", u"Name Number 5"}};
}

std::u16string passwordFor(Protection protection) {
  return protection == Protection::AccdbEncrypted ? u"secret" : u"";
}

std::vector<std::uint8_t> fixtureBytes(Protection protection) {
  testsupport::TempDir dir;
  engine::NewTable table;
  table.name = u"Items";
  table.columns = {testsupport::column(u"Id", NewColumn::Type::Long),
                   testsupport::textColumn(u"Name", 255),
                   testsupport::column(u"Notes", NewColumn::Type::Memo)};
  for (int i = 0; i < 120; ++i)
    table.rows.push_back(
        {std::int32_t{i},
         engine::Text(u"name number " + repeat(u"n", i % 3) + std::u16string(1, u'0' + i % 10)),
         engine::Text(u"a note")});
  engine::NewDatabase db;
  db.format = protection == Protection::AccdbEncrypted ? engine::NewDatabase::Format::Ace12
                                                       : engine::NewDatabase::Format::Jet4;
  db.password = passwordFor(protection);
  db.encoded = protection == Protection::JetEncoded;
  db.tables = {table};
  const auto path = dir.path() / "f";
  engine::createDatabase(path, db);
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The texts of `column` by row, in scan order.
std::vector<engine::Value> values(engine::Database& db, const std::u16string& column) {
  const auto& table = db.table(u"Items");
  const int index = table.columnIndex(column);
  std::vector<engine::Value> out;
  auto scan = db.scan(table);
  engine::Row row;
  while (scan->next(row)) out.push_back(row.values[static_cast<std::size_t>(index)]);
  return out;
}

// Runs the changes, committing after each (or once at the end when
// `oneBatch`); stops at the first error.
void runChanges(MemoryFolder& folder, bool oneBatch, std::u16string password) {
  auto db = engine::Database::open(kPath, {.password = std::move(password),
                                           .writable = true,
                                           .cachePages = engine::Pager::kDefaultCapacity,
                                           .fileSystem = &folder});
  const auto& table = db->table(u"Items");
  std::vector<engine::RowId> ids;
  auto scan = db->scan(table);
  engine::Row row;
  while (scan->next(row)) ids.push_back(row.id);
  for (const Change& change : changes()) {
    db->updateText(table, ids.at(change.row), table.columnIndex(change.column), change.value);
    if (!oneBatch) db->commit();
  }
  db->commit();
}

engine::OpenOptions options(MemoryFolder& folder, bool writable, std::u16string password) {
  return {.password = std::move(password),
          .writable = writable,
          .cachePages = engine::Pager::kDefaultCapacity,
          .fileSystem = &folder,
          .lockWait = std::chrono::milliseconds(0)};
}

}  // namespace journaltest
