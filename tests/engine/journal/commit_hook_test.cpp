// The hook before each commit: it runs while nothing of the batch is on
// disk, and what it throws undoes the batch, so a record of the changes
// kept elsewhere (an undo file) never lags behind the database.

#include <gtest/gtest.h>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/support/corpus_files.h"
#include "engine/support/update_support.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

class CommitHook : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::TempDir dir;
    engine::NewTable table;
    table.name = u"T";
    table.columns = {testsupport::textColumn(u"Name", 50)};
    table.rows = {{engine::Text(u"alpha")}, {engine::Text(u"beta")}};
    original_ = enginetest::readBytes(testsupport::makeDatabase(dir.path() / "h.mdb", {table}));
    folder_.put(kPath, original_);
  }

  std::unique_ptr<engine::Database> open(std::function<void()> hook) {
    return engine::Database::open(kPath, {.password = {},
                                          .writable = true,
                                          .cachePages = 16,
                                          .fileSystem = &folder_,
                                          .beforeCommit = std::move(hook)});
  }
  static engine::RowId firstRow(engine::Database& db) {
    auto scan = db.scan(db.table(u"T"));
    engine::Row row;
    scan->next(row);
    return row.id;
  }

  static constexpr const char* kPath = "/m/h.mdb";
  updatetest::MemoryFolder folder_;
  std::vector<std::uint8_t> original_;
};

TEST_F(CommitHook, RunsOncePerBatchBeforeAnyOfItIsOnDisk) {
  int calls = 0;
  auto db = open([&] {
    ++calls;
    EXPECT_EQ(folder_.durable(kPath), original_);
    EXPECT_FALSE(folder_.has("/m/h.mdb-journal"));
  });
  db->commit();
  EXPECT_EQ(calls, 0) << "nothing to commit";
  const auto& table = db->table(u"T");
  db->updateText(table, firstRow(*db), 0, u"ALPHA");
  db->commit();
  EXPECT_EQ(calls, 1);
  EXPECT_NE(folder_.durable(kPath), original_);
  db->commit();
  EXPECT_EQ(calls, 1);
}

TEST_F(CommitHook, WhatItThrowsUndoesTheBatch) {
  bool fail = true;
  auto db = open([&] {
    if (fail) throw engine::Error::ioError("/m/h.undo", "writing", "the disk is full");
  });
  const auto& table = db->table(u"T");
  const engine::RowId id = firstRow(*db);
  db->updateText(table, id, 0, u"ALPHA");
  EXPECT_THROW(db->commit(), engine::Error);
  EXPECT_EQ(db->readRow(table, id)->values[0].text(), u"alpha");
  EXPECT_EQ(folder_.durable(kPath), original_);
  // The next batch starts clean and holds only its own change.
  fail = false;
  db->updateText(table, id, 0, u"Alpha");
  db->commit();
  db.reset();
  auto again = engine::Database::open(kPath, {.password = {}, .fileSystem = &folder_});
  EXPECT_EQ(again->readRow(again->table(u"T"), id)->values[0].text(), u"Alpha");
}

}  // namespace
