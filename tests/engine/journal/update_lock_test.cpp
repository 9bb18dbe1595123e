// Who may write: one writer at a time, nobody while Access has the
// database open, nothing on read-only files or folders.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <thread>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/journal/writer_lock.h"
#include "engine/support/first_row_update.h"
#include "engine/support/update_support.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using engine::NewColumn;
using enginetest::tryFirstRowUpdate;

engine::RowId firstRowId(engine::Database& db) {
  auto scan = db.scan(db.table(u"T"));
  engine::Row row;
  scan->next(row);
  return row.id;
}

class UpdateLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = testsupport::makeDatabase(dir_.path() / "lock.mdb", {testsupport::alphaBetaTable()})
                .string();
  }

  static std::unique_ptr<engine::Database> open(const std::string& path, bool writable) {
    // A second writer of this process gives way at once.
    return engine::Database::open(
        path, {.password = {}, .writable = writable, .lockWait = std::chrono::milliseconds(0)});
  }
  std::u16string firstName() {
    auto db = open(path_, false);
    auto scan = db->scan(db->table(u"T"));
    engine::Row row;
    scan->next(row);
    return row.values[1].text();
  }

  testsupport::TempDir dir_;
  std::string path_;
};

TEST_F(UpdateLockTest, WriterKeepsALockFileWhileWritingAndRemovesItOnClose) {
  const std::string lockFile = engine::lockFilePathFor(path_, false);
  EXPECT_EQ(lockFile, (dir_.path() / "lock.ldb").string());
  {
    auto db = open(path_, true);
    EXPECT_FALSE(std::filesystem::exists(lockFile)) << "reading alone leaves no lock file";
    EXPECT_EQ(tryFirstRowUpdate(*db, u"ALPHA"), std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(lockFile));
  }
  EXPECT_FALSE(std::filesystem::exists(lockFile));
  EXPECT_EQ(firstName(), u"ALPHA");
}

TEST_F(UpdateLockTest, SecondWriterIsRefused) {
  auto first = open(path_, true);
  ASSERT_EQ(tryFirstRowUpdate(*first, u"ALPHA"), std::nullopt);
  auto second = open(path_, true);
  EXPECT_EQ(tryFirstRowUpdate(*second, u"Alpha"), engine::ErrorKind::InUse);
  first.reset();
  second.reset();
  EXPECT_EQ(firstName(), u"ALPHA");
}

// A writer of this computer is waited for a bounded time, as Access retries
// its page locks; after that the change gives way.
TEST_F(UpdateLockTest, SecondWriterWaitsForTheFirstForABoundedTime) {
  auto first = open(path_, true);
  ASSERT_EQ(tryFirstRowUpdate(*first, u"ALPHA"), std::nullopt);
  std::thread finisher([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    first.reset();
  });
  auto waiting = engine::Database::open(
      path_, {.password = {}, .writable = true, .lockWait = std::chrono::seconds(20)});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(tryFirstRowUpdate(*waiting, u"Alpha"), std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  finisher.join();
  waiting.reset();
  EXPECT_EQ(firstName(), u"Alpha");

  auto holder = open(path_, true);
  ASSERT_EQ(tryFirstRowUpdate(*holder, u"ALPHA"), std::nullopt);
  auto briefly = engine::Database::open(
      path_, {.password = {}, .writable = true, .lockWait = std::chrono::milliseconds(200)});
  EXPECT_EQ(tryFirstRowUpdate(*briefly, u"alpha"), engine::ErrorKind::InUse);
}

TEST_F(UpdateLockTest, LockFileOfAnotherComputerMeansAccessHasItOpen) {
  const std::string lockFile = engine::lockFilePathFor(path_, false);
  std::string entry(64, '\0');
  entry.replace(0, 9, "OFFICE-PC");
  entry.replace(32, 5, "Admin");
  std::ofstream(lockFile, std::ios::binary) << entry;
  {
    auto db = open(path_, true);
    // The refusal names the computer and the lock file, so that a user can
    // tell a stale entry from a live one.
    try {
      db->updateText(db->table(u"T"), firstRowId(*db), 1, u"ALPHA");
      db->commit();
      ADD_FAILURE() << "a stale entry of another computer must be refused";
    } catch (const engine::Error& e) {
      EXPECT_EQ(e.kind(), engine::ErrorKind::InUse);
      EXPECT_NE(e.description().find("OFFICE-PC"), std::string::npos) << e.description();
      EXPECT_NE(e.description().find(lockFile), std::string::npos) << e.description();
    }
  }
  EXPECT_TRUE(std::filesystem::exists(lockFile)) << "someone else's lock file stays";
  EXPECT_EQ(firstName(), u"alpha");
}

// Between batches the lock file is read again before a change is written:
// a value already as asked writes nothing, so it need not ask.
TEST_F(UpdateLockTest, AccessOpeningTheFileBetweenBatchesStopsTheNextChange) {
  auto db = open(path_, true);
  ASSERT_EQ(tryFirstRowUpdate(*db, u"ALPHA"), std::nullopt);
  db->commit();
  std::string entry(64, '\0');
  entry.replace(0, 9, "OFFICE-PC");
  std::ofstream(engine::lockFilePathFor(path_, false), std::ios::binary | std::ios::app) << entry;
  const engine::TableDefinition& table = db->table(u"T");
  EXPECT_NO_THROW(db->updateText(table, firstRowId(*db), 1, u"ALPHA"));
  try {
    db->updateText(table, firstRowId(*db), 1, u"Alpha");
    ADD_FAILURE() << "a change after Access opened the file must be refused";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::InUse);
  }
  db.reset();
  EXPECT_EQ(firstName(), u"ALPHA");
}

TEST_F(UpdateLockTest, LeftOverLockFileOfThisComputerIsReused) {
  const std::string lockFile = engine::lockFilePathFor(path_, false);
  // This computer's name as the system gives it (gethostname, GetComputerNameW).
  const std::string host = engine::diskFileSystem().computerName();
  std::string entry(64, '\0');
  entry.replace(0, std::min<std::size_t>(31, host.size()), host, 0,
                std::min<std::size_t>(31, host.size()));
  std::ofstream(lockFile, std::ios::binary) << entry;
  {
    auto db = open(path_, true);
    EXPECT_EQ(tryFirstRowUpdate(*db, u"ALPHA"), std::nullopt);
  }
  EXPECT_FALSE(std::filesystem::exists(lockFile));
}

TEST_F(UpdateLockTest, ReadOnlyOpenRefusesToWrite) {
  auto db = open(path_, false);
  EXPECT_EQ(tryFirstRowUpdate(*db, u"ALPHA"), engine::ErrorKind::ReadOnly);
}

TEST(UpdateLockMemory, ReadOnlyFileAndFolderAreRefusedBeforeAnyChange) {
  testsupport::TempDir dir;
  engine::NewTable table;
  table.name = u"T";
  table.columns = {testsupport::textColumn(u"Name", 50)};
  table.rows = {{engine::Text(u"alpha")}};
  auto path = testsupport::makeDatabase(dir.path() / "ro.mdb", {table});
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};

  updatetest::MemoryFolder readOnlyFile;
  readOnlyFile.put("/m/ro.mdb", bytes);
  readOnlyFile.makeReadOnly("/m/ro.mdb");
  EXPECT_THROW(
      engine::Database::open(
          "/m/ro.mdb",
          {.password = {}, .writable = true, .cachePages = 16, .fileSystem = &readOnlyFile}),
      engine::Error);

  updatetest::MemoryFolder readOnlyFolder;
  readOnlyFolder.put("/m/ro.mdb", bytes);
  readOnlyFolder.makeFolderReadOnly();
  auto db = engine::Database::open(
      "/m/ro.mdb",
      {.password = {}, .writable = true, .cachePages = 16, .fileSystem = &readOnlyFolder});
  const auto& def = db->table(u"T");
  auto scan = db->scan(def);
  engine::Row row;
  scan->next(row);
  try {
    db->updateText(def, row.id, 0, u"ALPHA");
    ADD_FAILURE() << "a folder that takes no lock file or journal must refuse";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::ReadOnly);
  }
  db.reset();
  EXPECT_EQ(readOnlyFolder.durable("/m/ro.mdb"), bytes);
}

// An encrypted .accdb is locked exactly as a plain one: by its .laccdb.
TEST_F(UpdateLockTest, EncryptedAccdbSecondWriterIsRefusedAndTheLockFileGoesOnClose) {
  engine::NewTable table;
  table.name = u"T";
  table.columns = {testsupport::column(u"Id", NewColumn::Type::Long),
                   testsupport::textColumn(u"Name", 50)};
  table.rows = {{std::int32_t{1}, engine::Text(u"alpha")}};
  const std::string path =
      testsupport::makeDatabase(dir_.path() / "locked.accdb", {table}, u"key").string();
  const std::string lockFile = engine::lockFilePathFor(path, true);
  {
    auto first = engine::Database::open(
        path, {.password = u"key", .writable = true, .lockWait = std::chrono::milliseconds(0)});
    ASSERT_EQ(tryFirstRowUpdate(*first, u"ALPHA"), std::nullopt);
    EXPECT_TRUE(std::filesystem::exists(lockFile));
    auto second = engine::Database::open(
        path, {.password = u"key", .writable = true, .lockWait = std::chrono::milliseconds(0)});
    EXPECT_EQ(tryFirstRowUpdate(*second, u"Alpha"), engine::ErrorKind::InUse);
  }
  EXPECT_FALSE(std::filesystem::exists(lockFile));
  auto db = engine::Database::open(path, {.password = u"key"});
  auto scan = db->scan(db->table(u"T"));
  engine::Row row;
  ASSERT_TRUE(scan->next(row));
  EXPECT_EQ(row.values[1], engine::Value(engine::Text(u"ALPHA")));
}

}  // namespace
