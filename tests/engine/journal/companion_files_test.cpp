// The journal and the lock file on the real disk: made exclusively and never
// through a link, named after the database's real path, and readable by
// whoever may read the database and nobody else.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/journal/rollback_journal.h"
#include "engine/journal/writer_lock.h"
#include "engine/support/update_support.h"
#include "support/disk_folder.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

namespace fs = std::filesystem;

// The disk, noting the permission bits of every file it creates.
class WatchedDisk final : public testsupport::DiskFolder {
 public:
  std::map<std::string, unsigned> created;  // path -> permission bits

  std::unique_ptr<engine::File> create(const std::string& p, const std::string& like) override {
    auto file = disk().create(p, like);
    created[p] = static_cast<unsigned>(fs::symlink_status(p).permissions()) & 0777;
    return file;
  }
};

engine::OpenOptions writing(engine::FileSystem* disk = nullptr) {
  engine::OpenOptions options;
  options.writable = true;
  options.fileSystem = disk;
  return options;
}

class CompanionFiles : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "links and permission bits are POSIX's (test_win32 checks that create "
                    "refuses a name already there)";
#endif
    engine::NewTable table;
    table.name = u"T";
    table.columns = {testsupport::textColumn(u"Name", 50),
                     testsupport::column(u"Notes", engine::NewColumn::Type::Memo)};
    for (int i = 0; i < 20; ++i)
      table.rows.push_back(
          {engine::Text(u"name " + std::u16string(1, u'a' + i)), engine::Text(u"a note")});
    real_ = dir_.path() / "real.mdb";
    testsupport::makeDatabase(real_, {table});
    std::ofstream(victim_) << "precious";
  }

  // Sets row `row`'s Name to `value` and commits.
  static void change(engine::Database& db, int row, const std::u16string& value) {
    const auto& table = db.table(u"T");
    auto scan = db.scan(table);
    engine::Row r;
    for (int i = 0; i <= row; ++i) scan->next(r);
    db.updateText(table, r.id, 0, value);
    db.commit();
  }
  static std::u16string name(const fs::path& path, int row) {
    auto db = engine::Database::open(path.string());
    auto scan = db->scan(db->table(u"T"));
    engine::Row r;
    for (int i = 0; i <= row; ++i) scan->next(r);
    return r.values[0].text();
  }
  std::string victimText() const {
    std::ifstream in(victim_);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  testsupport::TempDir dir_;
  fs::path real_;
  fs::path victim_ = dir_.path() / "victim.txt";
};

TEST_F(CompanionFiles, JournalPlantedAsALinkBetweenTwoBatchesIsNeverWrittenThrough) {
  const fs::path journal = engine::journalPathFor(real_.string());
  {
    auto db = engine::Database::open(real_.string(), writing());
    change(*db, 0, u"NAME A");
    fs::create_symlink(victim_, journal);
    change(*db, 1, u"NAME B");
    EXPECT_FALSE(fs::is_symlink(journal)) << "the planted link is gone";
  }
  EXPECT_EQ(victimText(), "precious");
  EXPECT_EQ(name(real_, 1), u"NAME B");
}

TEST_F(CompanionFiles, LockFilePlantedAsALinkIsNeverWrittenThrough) {
  const fs::path lockFile = engine::lockFilePathFor(real_.string(), false);
  fs::create_symlink(victim_, lockFile);
  {
    auto db = engine::Database::open(real_.string(), writing());
    change(*db, 0, u"NAME A");
  }
  EXPECT_EQ(victimText(), "precious");
  EXPECT_FALSE(fs::exists(fs::symlink_status(lockFile)));
}

TEST_F(CompanionFiles, JournalThatIsALinkOrAFolderIsRefusedAtOpen) {
  const fs::path journal = engine::journalPathFor(real_.string());
  for (bool folder : {false, true}) {
    SCOPED_TRACE(folder ? "a folder" : "a link");
    if (folder)
      fs::create_directory(journal);
    else
      fs::create_symlink(victim_, journal);
    try {
      engine::Database::open(real_.string());
      ADD_FAILURE() << "opened over a journal that is no file";
    } catch (const engine::Error& e) {
      EXPECT_EQ(e.kind(), engine::ErrorKind::Interrupted);
      EXPECT_NE(e.description().find(journal.string()), std::string::npos);
    }
    EXPECT_TRUE(fs::exists(fs::symlink_status(journal))) << "left where it is";
    fs::remove(journal);
  }
  EXPECT_EQ(victimText(), "precious");
}

TEST_F(CompanionFiles, CreateRefusesAnExistingNameAndADanglingLink) {
  engine::FileSystem& disk = engine::diskFileSystem();
  const fs::path taken = dir_.path() / "taken";
  std::ofstream(taken) << "kept";
  EXPECT_THROW(disk.create(taken.string(), real_.string()), engine::Error);
  const fs::path dangling = dir_.path() / "dangling";
  fs::create_symlink(dir_.path() / "nowhere", dangling);
  EXPECT_THROW(disk.create(dangling.string(), real_.string()), engine::Error);
  EXPECT_FALSE(fs::exists(dir_.path() / "nowhere"));
  std::ifstream in(taken);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
}

TEST_F(CompanionFiles, ThroughALinkTheCompanionsAreNamedAfterTheRealPath) {
  const fs::path link = dir_.path() / "link.mdb";
  fs::create_symlink(real_, link);
  WatchedDisk disk;
  {
    auto db = engine::Database::open(link.string(), writing(&disk));
    change(*db, 0, u"NAME A");
  }
  std::set<std::string> created;
  for (const auto& [path, mode] : disk.created) created.insert(path);
  EXPECT_EQ(created, (std::set<std::string>{engine::journalPathFor(real_.string()),
                                            engine::lockFilePathFor(real_.string(), false)}));

  // A journal left by a crash while changing through the link is found by
  // the real name.
  std::ifstream in(real_, std::ios::binary);
  const std::vector<std::uint8_t> before{std::istreambuf_iterator<char>(in), {}};
  auto after = before;
  std::fill(after.begin() + 8192, after.begin() + 10240, 0xEE);
  engine::writeJournal(disk, engine::journalPathFor(real_.string()), real_.string(),
                       updatetest::journalBetween(before, after, "real.mdb"));
  std::ofstream(real_, std::ios::binary)
      .write(reinterpret_cast<const char*>(after.data()),
             static_cast<std::streamsize>(after.size()));
  EXPECT_EQ(name(real_, 0), u"NAME A");
  EXPECT_FALSE(fs::exists(engine::journalPathFor(real_.string())));
  EXPECT_FALSE(fs::exists(link.string() + "-journal"));
}

TEST_F(CompanionFiles, JournalAndLockFileTakeTheDatabasesPermissionBits) {
  for (unsigned mode : {0600u, 0640u, 0666u}) {
    SCOPED_TRACE(mode);
    fs::permissions(real_, static_cast<fs::perms>(mode));
    WatchedDisk disk;
    {
      auto db = engine::Database::open(real_.string(), writing(&disk));
      change(*db, 0, u"NAME " + std::u16string(1, static_cast<char16_t>(u'0' + mode % 10)));
    }
    ASSERT_EQ(disk.created.size(), 2u);
    for (const auto& [path, bits] : disk.created) EXPECT_EQ(bits, mode) << path;
  }
}

}  // namespace
