// The Win32 file layer on the real disk: what Windows adds to the engine's
// file rules (share modes, byte-range locks, UTF-16 names, processes ended
// without warning). Child processes are this program again, running one of
// the DISABLED_ child tests below.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/io/path.h"
#include "engine/journal/writer_lock.h"
#include "engine/support/first_row_update.h"
#include "support/disk_folder.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

namespace fs = std::filesystem;
using engine::utf8Of;
using enginetest::tryFirstRowUpdate;

constexpr wchar_t kChildDatabase[] = L"CASELOOM_CHILD_DATABASE";
constexpr wchar_t kChildReady[] = L"CASELOOM_CHILD_READY";

fs::path makeNamesDatabase(const fs::path& path) {
  engine::NewTable table;
  table.name = u"T";
  table.columns = {testsupport::column(u"Id", engine::NewColumn::Type::Long),
                   testsupport::textColumn(u"Name", 50)};
  table.rows = {{std::int32_t{1}, engine::Text(u"alpha")},
                {std::int32_t{2}, engine::Text(u"beta")}};
  return testsupport::makeDatabase(path, {table});
}

std::unique_ptr<engine::Database> open(const fs::path& path, bool writable,
                                       engine::FileSystem* folder = nullptr) {
  return engine::Database::open(utf8Of(path),
                                {.password = {}, .writable = writable, .fileSystem = folder});
}

std::u16string firstName(const fs::path& path) {
  auto db = open(path, false);
  auto scan = db->scan(db->table(u"T"));
  engine::Row row;
  scan->next(row);
  return row.values[1].text();
}

// This test program run again as a child that runs the test `name`.
class ChildProcess {
 public:
  ChildProcess(const std::string& name, const fs::path& database, const fs::path& ready) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command =
        L"\"" + std::wstring(self) +
        L"\" --gtest_also_run_disabled_tests --gtest_filter=Win32Child.DISABLED_" +
        fs::path(name).wstring();
    ::SetEnvironmentVariableW(kChildDatabase, database.wstring().c_str());
    ::SetEnvironmentVariableW(kChildReady, ready.wstring().c_str());
    // Its report would mix with ours: it goes nowhere.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    nowhere_ = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nowhere_;
    startup.hStdInput = nullptr;
    started_ = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &process_);
    ::SetEnvironmentVariableW(kChildDatabase, nullptr);
    ::SetEnvironmentVariableW(kChildReady, nullptr);
  }
  ~ChildProcess() {
    if (started_) {
      end();
      ::CloseHandle(process_.hThread);
      ::CloseHandle(process_.hProcess);
    }
    if (nowhere_ != INVALID_HANDLE_VALUE) ::CloseHandle(nowhere_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits until the child made `ready`; false when it ended or took too long.
  bool waitFor(const fs::path& ready) {
    if (!started_) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      if (fs::exists(ready)) return true;
      if (::WaitForSingleObject(process_.hProcess, 20) == WAIT_OBJECT_0) return fs::exists(ready);
    }
    return false;
  }
  // Ends the child at once, as the task manager would.
  void end() {
    if (::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process_.hProcess, 9);
      ::WaitForSingleObject(process_.hProcess, INFINITE);
    }
  }

 private:
  PROCESS_INFORMATION process_{};
  HANDLE nowhere_ = INVALID_HANDLE_VALUE;
  bool started_ = false;
};

fs::path childPath(const wchar_t* variable) {
  const wchar_t* value = ::_wgetenv(variable);
  return value ? fs::path(value) : fs::path();
}

void announce(const fs::path& ready) {
  HANDLE file = ::CreateFileW(ready.wstring().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ::CloseHandle(file);
}

// The disk, except that the database's first sync after a change never
// returns: the process is stuck mid-commit, its journal and half its pages
// written, until it is ended.
class StuckAtSync final : public testsupport::DiskFolder {
 public:
  StuckAtSync(std::string database, fs::path ready)
      : database_(std::move(database)), ready_(std::move(ready)) {}
  std::unique_ptr<engine::File> open(const std::string& path, bool writable) override {
    auto file = disk().open(path, writable);
    if (path != database_ || !writable) return file;
    return std::make_unique<Stuck>(std::move(file), ready_);
  }

 private:
  class Stuck final : public engine::File {
   public:
    Stuck(std::unique_ptr<engine::File> inner, fs::path ready)
        : inner_(std::move(inner)), ready_(std::move(ready)) {}
    const std::string& path() const override { return inner_->path(); }
    std::uint64_t size() const override { return inner_->size(); }
    void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
      inner_->read(offset, out);
    }
    void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
      inner_->write(offset, data);
      written_ = true;
    }
    void sync() override {
      if (written_) {
        announce(ready_);
        ::Sleep(INFINITE);
      }
      inner_->sync();
    }
    void truncate(std::uint64_t size) override { inner_->truncate(size); }

   private:
    std::unique_ptr<engine::File> inner_;
    fs::path ready_;
    bool written_ = false;
  };
  std::string database_;
  fs::path ready_;
};

// --- The children ---------------------------------------------------------

TEST(Win32Child, DISABLED_HoldsTheWriterLock) {
  const fs::path database = childPath(kChildDatabase);
  auto db = open(database, true);
  ASSERT_EQ(tryFirstRowUpdate(*db, u"held"), std::nullopt);
  ASSERT_EQ(tryFirstRowUpdate(*db, u"held again"), std::nullopt);
  announce(childPath(kChildReady));
  ::Sleep(INFINITE);
}

TEST(Win32Child, DISABLED_IsEndedMidCommit) {
  const fs::path database = childPath(kChildDatabase);
  StuckAtSync folder(utf8Of(database), childPath(kChildReady));
  auto db = open(database, true, &folder);
  tryFirstRowUpdate(*db, u"never committed");
  FAIL() << "the commit went through";
}

// --- The tests ------------------------------------------------------------

class Win32Disk : public ::testing::Test {
 protected:
  testsupport::TempDir dir_;
};

TEST_F(Win32Disk, SecondWriterInAnotherProcessIsRefused) {
  const fs::path path = makeNamesDatabase(dir_.path() / "writers.mdb");
  const fs::path ready = dir_.path() / "ready";
  ChildProcess child("HoldsTheWriterLock", path, ready);
  ASSERT_TRUE(child.waitFor(ready)) << "the first writer did not start";

  auto second = open(path, true);
  EXPECT_EQ(tryFirstRowUpdate(*second, u"second"), engine::ErrorKind::InUse);
  second.reset();
  EXPECT_EQ(firstName(path), u"held again") << "readers still read";
  child.end();
  // The lock went with the process; its lock file names this computer and is reused.
  auto third = open(path, true);
  EXPECT_EQ(tryFirstRowUpdate(*third, u"third"), std::nullopt);
  third.reset();
  EXPECT_EQ(firstName(path), u"third");
}

TEST_F(Win32Disk, SecondWriterInThisProcessIsRefused) {
  const fs::path path = makeNamesDatabase(dir_.path() / "writers.accdb");
  auto first = open(path, true);
  ASSERT_EQ(tryFirstRowUpdate(*first, u"first"), std::nullopt);
  auto second = open(path, true);
  EXPECT_EQ(tryFirstRowUpdate(*second, u"second"), engine::ErrorKind::InUse);
}

TEST_F(Win32Disk, FileHeldWithoutWriteSharingIsInUse) {
  const fs::path path = makeNamesDatabase(dir_.path() / "held.mdb");
  // Another program has the file open for writing and shares reading only.
  HANDLE other = ::CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  try {
    open(path, true);
    ADD_FAILURE() << "opened for writing";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::InUse);
    EXPECT_NE(e.description().find(utf8Of(path)), std::string::npos) << "names the file";
  }
  EXPECT_EQ(firstName(path), u"alpha") << "reading is still shared";
  ::CloseHandle(other);
  auto db = open(path, true);
  EXPECT_EQ(tryFirstRowUpdate(*db, u"free again"), std::nullopt);
}

TEST_F(Win32Disk, NonAsciiPathOpensAndUpdates) {
  const fs::path folder = dir_.path() / fs::path(u8"Données");
  fs::create_directory(folder);
  const fs::path path = makeNamesDatabase(folder / fs::path(u8"Ünïcode Ölçü.accdb"));
  const std::string utf8 = utf8Of(path);
  ASSERT_NE(utf8.find("\xC3\x9Cn\xC3\xAF"
                      "code \xC3\x96l\xC3\xA7\xC3\xBC.accdb"),
            std::string::npos);
  {
    auto db = engine::Database::open(utf8, {.password = {}, .writable = true});
    EXPECT_EQ(tryFirstRowUpdate(*db, u"Ünïcode"), std::nullopt);
    EXPECT_TRUE(fs::exists(folder / fs::path(u8"Ünïcode Ölçü.laccdb"))) << "the lock file";
  }
  EXPECT_EQ(firstName(path), u"Ünïcode");
  // Nothing else was made there under a name mangled by the 8-bit code page.
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], fs::path(u8"Ünïcode Ölçü.accdb"));
}

TEST_F(Win32Disk, JournalOfAProcessEndedMidCommitIsPlayedBack) {
  const fs::path path = makeNamesDatabase(dir_.path() / "ended.mdb");
  const fs::path ready = dir_.path() / "ready";
  const std::string journal = utf8Of(path) + "-journal";
  {
    ChildProcess child("IsEndedMidCommit", path, ready);
    ASSERT_TRUE(child.waitFor(ready)) << "the child did not reach its commit";
    child.end();
  }
  ASSERT_TRUE(engine::diskFileSystem().exists(journal)) << "the ended writer's journal";
  EXPECT_EQ(firstName(path), u"alpha") << "the half-made change is undone";
  EXPECT_FALSE(engine::diskFileSystem().exists(journal));
  auto db = open(path, true);
  EXPECT_EQ(tryFirstRowUpdate(*db, u"after"), std::nullopt);
  db.reset();
  EXPECT_EQ(firstName(path), u"after");
}

TEST_F(Win32Disk, LockFileRangesHeldElsewhereAreSeen) {
  const fs::path path = dir_.path() / "seen.laccdb";
  auto file = engine::diskFileSystem().create(utf8Of(path), {});
  file->write(0, std::vector<std::uint8_t>(64, 0));
  file.reset();
  EXPECT_FALSE(engine::diskFileSystem().lockedByOthers(utf8Of(path)));
  // Access locks a byte of the lock file for each user, past its end.
  HANDLE other =
      ::CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  OVERLAPPED at{};
  at.Offset = 0x10000001;
  ASSERT_TRUE(::LockFileEx(other, 0, 0, 1, 0, &at)) << "a shared lock of one byte";
  EXPECT_TRUE(engine::diskFileSystem().lockedByOthers(utf8Of(path)));
  ASSERT_TRUE(::UnlockFileEx(other, 0, 1, 0, &at));
  EXPECT_FALSE(engine::diskFileSystem().lockedByOthers(utf8Of(path)));
  ::CloseHandle(other);
}

TEST_F(Win32Disk, RemovedFileFreesItsNameWhileStillOpen) {
  auto& disk = engine::diskFileSystem();
  const std::string path = utf8Of(dir_.path() / "open.mdb-journal");
  auto held = disk.create(path, {});
  held->write(0, std::vector<std::uint8_t>{1, 2, 3});
  try {
    disk.create(path, {});
    ADD_FAILURE() << "created over a name already there";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::IoError);
  }
  disk.remove(path);
  EXPECT_FALSE(disk.exists(path));
  auto again = disk.create(path, {});
  again->write(0, std::vector<std::uint8_t>{4});
  EXPECT_EQ(again->size(), 1u);
  std::vector<std::uint8_t> old(3);
  held->read(0, old);
  EXPECT_EQ(old, (std::vector<std::uint8_t>{1, 2, 3})) << "the open handle keeps its file";
  held.reset();
  again.reset();
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_.path())) ++files;
  EXPECT_EQ(files, 1u) << "the removed file is gone once closed";
}

TEST_F(Win32Disk, ReplaceMovesOverAnExistingFile) {
  auto& disk = engine::diskFileSystem();
  const std::string from = utf8Of(dir_.path() / "new.creating");
  const std::string to = utf8Of(dir_.path() / "new.mdb");
  disk.create(to, {})->write(0, std::vector<std::uint8_t>{1});
  disk.create(from, {})->write(0, std::vector<std::uint8_t>{2, 2});
  disk.replace(from, to);
  EXPECT_FALSE(disk.exists(from));
  EXPECT_EQ(disk.open(to, false)->size(), 2u);
}

TEST_F(Win32Disk, ReadOnlyFileRefusesWriting) {
  const fs::path path = makeNamesDatabase(dir_.path() / "read-only.mdb");
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
  try {
    open(path, true);
    ADD_FAILURE() << "opened for writing";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::ReadOnly);
  }
  EXPECT_EQ(firstName(path), u"alpha");
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
}

TEST(Win32Names, ComputerNameIsThisComputers) {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(::GetComputerNameW(name, &length));
  EXPECT_EQ(engine::pathFromUtf8(engine::diskFileSystem().computerName()).wstring(),
            std::wstring(name, length));
}

}  // namespace
