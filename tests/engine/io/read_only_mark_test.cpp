// A file without any write permission bit, or in a folder without one, is
// marked read-only by its owner: nobody writes it, root included (these
// tests run as root on the build machine, where the system alone would let
// the write through).

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/support/corpus_files.h"
#include "engine/support/update_support.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

namespace fs = std::filesystem;

// Windows keeps one read-only attribute per file (owner_write in
// std::filesystem) and none that a folder's files obey.
#ifdef _WIN32
#define SKIP_WITHOUT_PERMISSION_BITS() \
  GTEST_SKIP() << "permission bits are POSIX's: Windows has one read-only attribute per file"
#else
#define SKIP_WITHOUT_PERMISSION_BITS()
#endif

// The kind of the engine error `work` throws; nothing when it throws none.
template <class Work>
std::optional<engine::ErrorKind> errorOf(Work&& work) {
  try {
    work();
  } catch (const engine::Error& e) {
    return e.kind();
  }
  return std::nullopt;
}

class ReadOnlyMark : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir_.path() / "folder");
    path_ = testsupport::makeDatabase(dir_.path() / "folder" / "marked.mdb",
                                      {testsupport::alphaBetaTable()})
                .string();
    bytes_ = enginetest::readBytes(path_);
  }
  void TearDown() override {
    // The temporary folder must be removable again.
    fs::permissions(dir_.path() / "folder", fs::perms::owner_all);
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
  }

  // The kind of error that opening for writing and changing the first row
  // gives; nothing when the change was made.
  std::optional<engine::ErrorKind> tryChange() {
    return errorOf([&] {
      auto db = engine::Database::open(path_, {.password = {}, .writable = true});
      const auto& table = db->table(u"T");
      auto scan = db->scan(table);
      engine::Row row;
      scan->next(row);
      db->updateText(table, row.id, 1, u"ALPHA");
      db->commit();
    });
  }

  void expectUntouched() {
    EXPECT_EQ(enginetest::readBytes(path_), bytes_);
    for (const char* companion : {"marked.ldb", "marked.mdb-journal"})
      EXPECT_FALSE(fs::exists(dir_.path() / "folder" / companion)) << companion;
  }

  testsupport::TempDir dir_;
  std::string path_;
  std::vector<std::uint8_t> bytes_;
};

TEST_F(ReadOnlyMark, FileWithoutWriteBitsIsRefusedAndStillReads) {
  for (auto mode : {fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perms::owner_read | fs::perms::owner_exec}) {
    fs::permissions(path_, mode);
    EXPECT_EQ(tryChange(), engine::ErrorKind::ReadOnly);
    expectUntouched();
    auto db = engine::Database::open(path_, {});
    EXPECT_EQ(db->userTableNames(), std::vector<std::u16string>{u"T"});
  }
}

TEST_F(ReadOnlyMark, AnyWriteBitLiftsTheMark) {
  SKIP_WITHOUT_PERMISSION_BITS();
  fs::permissions(path_, fs::perms::owner_read | fs::perms::group_write);
  EXPECT_EQ(tryChange(), std::nullopt);
}

TEST_F(ReadOnlyMark, FileInAFolderWithoutWriteBitsIsRefused) {
  SKIP_WITHOUT_PERMISSION_BITS();
  fs::permissions(dir_.path() / "folder", fs::perms::owner_read | fs::perms::owner_exec |
                                              fs::perms::group_read | fs::perms::group_exec |
                                              fs::perms::others_read | fs::perms::others_exec);
  EXPECT_EQ(tryChange(), engine::ErrorKind::ReadOnly);
  expectUntouched();
}

TEST_F(ReadOnlyMark, FileSystemSaysSoWithoutOpening) {
  engine::FileSystem& disk = engine::diskFileSystem();
  EXPECT_NO_THROW(disk.requireWritable(path_));
  fs::permissions(path_, fs::perms::owner_read);
  EXPECT_EQ(errorOf([&] { disk.requireWritable(path_); }), engine::ErrorKind::ReadOnly);
  EXPECT_EQ(errorOf([&] { disk.open(path_, true); }), engine::ErrorKind::ReadOnly);
  EXPECT_NO_THROW(disk.open(path_, false));
  EXPECT_EQ(errorOf([&] { disk.requireWritable((dir_.path() / "missing.mdb").string()); }),
            engine::ErrorKind::NotFound);
}

// Memory folders say what they allow through the default: opening for writing.
TEST(ReadOnlyMarkDefault, RequireWritableOpensForWriting) {
  updatetest::MemoryFolder folder;
  folder.put("a.mdb", {1, 2, 3});
  folder.put("b.mdb", {1, 2, 3});
  folder.makeReadOnly("b.mdb");
  EXPECT_NO_THROW(folder.requireWritable("a.mdb"));
  EXPECT_EQ(errorOf([&] { folder.requireWritable("b.mdb"); }), engine::ErrorKind::ReadOnly);
  EXPECT_EQ(errorOf([&] { folder.requireWritable("c.mdb"); }), engine::ErrorKind::NotFound);
}

}  // namespace
