#include "engine/support/journal_fixture.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace journaltest {

using engine::NewColumn;
using testsupport::repeat;
using updatetest::MemoryFolder;

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

std::u16string oldValue(const Change& change) {
  const std::size_t i = change.row;
  if (change.column == u"Notes") return u"a note";
  return u"name number " + repeat(u"n", i % 3) +
         std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
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

std::vector<engine::Value> values(engine::Database& db, const std::u16string& column) {
  const auto& table = db.table(u"Items");
  const int index = table.columnIndex(column);
  std::vector<engine::Value> out;
  auto scan = db.scan(table);
  engine::Row row;
  while (scan->next(row)) out.push_back(row.values[static_cast<std::size_t>(index)]);
  return out;
}

void runChanges(MemoryFolder& folder, bool oneBatch, std::u16string password,
                const std::vector<Change>& list, std::size_t cachePages, std::size_t batchBlocks) {
  engine::OpenOptions options{.password = std::move(password),
                              .writable = true,
                              .cachePages = cachePages,
                              .fileSystem = &folder};
  if (batchBlocks != 0) options.batchBlocks = batchBlocks;
  auto db = engine::Database::open(kPath, options);
  const auto& table = db->table(u"Items");
  const std::vector<engine::RowId> ids = updatetest::rowIds(*db, table);
  for (const Change& change : list) {
    db->updateText(table, ids.at(change.row), table.columnIndex(change.column), change.value);
    if (!oneBatch) db->commit();
  }
  db->commit();
}

engine::OpenOptions options(MemoryFolder& folder, bool writable, std::u16string password) {
  return {.password = std::move(password),
          .writable = writable,
          .cachePages = engine::OpenOptions::kDefaultCachePages,
          .fileSystem = &folder,
          .lockWait = std::chrono::milliseconds(0)};
}

BatchSteps oneBatchSteps(const std::vector<std::uint8_t>& original) {
  MemoryFolder reference;
  reference.put(kPath, original);
  runChanges(reference, true);
  BatchSteps steps;
  const std::string journal = engine::journalPathFor(kPath);
  const auto& log = reference.log();
  for (std::uint64_t i = 0; i < log.size(); ++i) {
    if (!steps.firstPageWrite && log[i] == std::string("write ") + kPath)
      steps.firstPageWrite = i + 1;
    if (log[i] == "remove " + journal) steps.journalRemoved = i + 1;
  }
  steps.folderFlush = steps.journalRemoved + 1;
  EXPECT_EQ(log.at(steps.folderFlush - 1), "flush " + journal);
  return steps;
}

std::size_t newValuesOfTheBatch(engine::Database& db) {
  EXPECT_EQ(updatetest::consistencyProblems(db), std::vector<std::string>{});
  const auto names = values(db, u"Name");
  const auto notes = values(db, u"Notes");
  std::size_t isNew = 0;
  for (const Change& change : changes()) {
    const auto& now = change.column == u"Name" ? names : notes;
    const bool changed = now[change.row] == engine::Value(engine::Text(change.value));
    EXPECT_TRUE(changed || now[change.row] == engine::Value(engine::Text(oldValue(change))))
        << "row " << change.row << " is neither old nor new";
    isNew += changed;
  }
  return isNew;
}

std::size_t newValuesOfTheBatch(MemoryFolder& folder) {
  return newValuesOfTheBatch(*engine::Database::open(kPath, options(folder, false)));
}

}  // namespace journaltest
