// The scratch folder: a database changed in it reads back changed there,
// while the real file, its times and its companions stay as they were.

#include "engine/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/support/corpus_files.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

namespace fs = std::filesystem;
using engine::NewColumn;

std::vector<std::uint8_t> readAll(engine::File& file) {
  std::vector<std::uint8_t> bytes(file.size());
  if (!bytes.empty()) file.read(0, bytes);
  return bytes;
}

class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::NewTable table;
    table.name = u"T";
    table.columns = {testsupport::column(u"Id", NewColumn::Type::Long),
                     testsupport::textColumn(u"Name", 200)};
    for (std::int32_t i = 0; i < 300; ++i)
      table.rows.push_back({i, engine::Text(u"name number " + std::u16string(1, u'a' + i % 26))});
    path_ = testsupport::makeDatabase(dir_.path() / "real.mdb", {table}).string();
    bytes_ = enginetest::readBytes(path_);
    time_ = fs::last_write_time(path_);
  }

  void expectRealUntouched() {
    EXPECT_EQ(enginetest::readBytes(path_), bytes_);
    EXPECT_EQ(fs::last_write_time(path_), time_);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"real.mdb"});
  }

  testsupport::TempDir dir_;
  std::string path_;
  std::vector<std::uint8_t> bytes_;
  fs::file_time_type time_;
};

TEST_F(ScratchFolder, FilesReadThroughAndKeepWhatIsWritten) {
  auto scratch = engine::makeScratchFolder(engine::diskFileSystem());
  auto file = scratch->open(path_, true);
  ASSERT_EQ(readAll(*file), bytes_);
  // Writes across block edges, past the end, then a cut inside a written block.
  std::vector<std::uint8_t> expected = bytes_;
  const std::vector<std::uint8_t> patch(5000, 0xAB);
  file->write(4000, patch);
  std::copy(patch.begin(), patch.end(), expected.begin() + 4000);
  file->write(bytes_.size() + 100, patch);
  expected.resize(bytes_.size() + 100, 0);
  expected.insert(expected.end(), patch.begin(), patch.end());
  EXPECT_EQ(readAll(*file), expected);
  EXPECT_EQ(readAll(*scratch->open(path_, false)), expected) << "one file, every handle";
  file->truncate(6000);
  expected.resize(6000);
  EXPECT_EQ(readAll(*file), expected);
  // Growing again shows zeros, not the real bytes that were cut away.
  file->write(9000, std::vector<std::uint8_t>{1});
  expected.resize(9000, 0);
  expected.push_back(1);
  EXPECT_EQ(readAll(*file), expected);
  std::vector<std::uint8_t> past(10);
  EXPECT_THROW(file->read(9000, past), engine::Error);
  expectRealUntouched();
}

TEST_F(ScratchFolder, NewAndRemovedFilesStayInTheScratchFolder) {
  auto scratch = engine::makeScratchFolder(engine::diskFileSystem());
  const std::string made = (dir_.path() / "made.tmp").string();
  EXPECT_FALSE(scratch->exists(made));
  scratch->create(made, path_)->write(0, std::vector<std::uint8_t>{1, 2, 3});
  EXPECT_TRUE(scratch->exists(made));
  EXPECT_THROW(scratch->create(made, path_), engine::Error) << "never over a name already there";
  EXPECT_EQ(scratch->realPath(made), made);
  EXPECT_EQ(readAll(*scratch->open(made, false)), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_NE(scratch->tryLock(made), nullptr);
  scratch->remove(made);
  scratch->remove(path_);
  EXPECT_FALSE(scratch->exists(made));
  EXPECT_FALSE(scratch->exists(path_));
  EXPECT_THROW(scratch->open(path_, false), engine::Error);
  expectRealUntouched();
}

TEST_F(ScratchFolder, DatabaseChangedThereReadsBackChangedAndTheRealFileDoesNot) {
  auto scratch = engine::makeScratchFolder(engine::diskFileSystem());
  std::vector<engine::RowId> ids;
  {
    auto db = engine::Database::open(
        path_, {.password = {}, .writable = true, .fileSystem = scratch.get()});
    const auto& table = db->table(u"T");
    auto scan = db->scan(table);
    engine::Row row;
    while (scan->next(row)) ids.push_back(row.id);
    // Longer texts, so rows move and pages are added.
    for (const engine::RowId id : ids)
      db->updateText(
          table, id, 1,
          u"A MUCH LONGER NAME THAN BEFORE, FOR ROW " + db->readRow(table, id)->values[1].text());
    db->commit();
  }
  {
    auto db = engine::Database::open(path_, {.password = {}, .fileSystem = scratch.get()});
    const auto& table = db->table(u"T");
    for (const engine::RowId id : ids)
      EXPECT_EQ(db->readRow(table, id)->values[1].text().rfind(u"A MUCH LONGER NAME", 0), 0u);
  }
  expectRealUntouched();
  auto real = engine::Database::open(path_, {});
  EXPECT_EQ(real->readRow(real->table(u"T"), ids[0])->values[1].text(), u"name number a");
}

TEST_F(ScratchFolder, RealMarksAndRealWritersStillCount) {
  fs::permissions(path_, fs::perms::owner_read);
  auto scratch = engine::makeScratchFolder(engine::diskFileSystem());
  EXPECT_THROW(scratch->open(path_, true), engine::Error);
  EXPECT_NO_THROW(scratch->open(path_, false));
  EXPECT_THROW(scratch->open(path_, true), engine::Error) << "also once it was opened for reading";
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);

  auto writer = engine::Database::open(path_, {.password = {}, .writable = true});
  const auto& table = writer->table(u"T");
  auto scan = writer->scan(table);
  engine::Row row;
  scan->next(row);
  writer->updateText(table, row.id, 1, u"held");
  auto dry = engine::Database::open(
      path_, {.password = {}, .writable = true, .fileSystem = scratch.get()});
  try {
    dry->updateText(dry->table(u"T"), row.id, 1, u"other");
    ADD_FAILURE() << "a real writer holds the file";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::InUse);
  }
}

}  // namespace
