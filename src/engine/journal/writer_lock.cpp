#include "engine/journal/writer_lock.h"

#include <filesystem>
#include <thread>
#include <vector>

#include "engine/error.h"
#include "engine/io/path.h"

namespace engine {
namespace {

// A lock-file entry: computer name, then user name, 32 bytes each (NUL padded).
constexpr std::size_t kNameSize = 32;
constexpr std::size_t kEntrySize = 2 * kNameSize;
constexpr std::size_t kMaxEntries = 255;
constexpr char kUserName[] = "Admin";

std::string nameAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  std::string name;
  for (std::size_t i = at; i < at + kNameSize && i < bytes.size() && bytes[i] != 0; ++i)
    name.push_back(static_cast<char>(bytes[i]));
  // Access pads with NULs or spaces.
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::vector<std::uint8_t> entryFor(const std::string& computer) {
  std::vector<std::uint8_t> entry(kEntrySize, 0);
  for (std::size_t i = 0; i < computer.size() && i < kNameSize - 1; ++i)
    entry[i] = static_cast<std::uint8_t>(computer[i]);
  for (std::size_t i = 0; i < sizeof kUserName - 1; ++i)
    entry[kNameSize + i] = static_cast<std::uint8_t>(kUserName[i]);
  return entry;
}

std::string ourComputerName(FileSystem& fs) {
  std::string name = fs.computerName();
  if (name.size() > kNameSize - 1) name.resize(kNameSize - 1);
  return name;
}

}  // namespace

std::string lockFilePathFor(const std::string& databasePath, bool ace) {
  std::filesystem::path path = pathFromUtf8(databasePath);
  path.replace_extension(ace ? ".laccdb" : ".ldb");
  return utf8Of(path);
}

std::unique_ptr<FileLock> lockWaiting(FileSystem& fs, const std::string& path,
                                      std::chrono::milliseconds wait) {
  constexpr std::chrono::milliseconds kPoll{25};
  const auto until = std::chrono::steady_clock::now() + wait;
  while (true) {
    if (std::unique_ptr<FileLock> lock = fs.tryLock(path)) return lock;
    if (std::chrono::steady_clock::now() >= until) return nullptr;
    std::this_thread::sleep_for(kPoll);
  }
}

WriterLock::WriterLock(FileSystem& fs, const std::string& databasePath, const std::string& realPath,
                       bool ace, std::chrono::milliseconds wait)
    : fs_(fs),
      databasePath_(databasePath),
      realPath_(realPath),
      lockPath_(lockFilePathFor(realPath, ace)),
      computer_(ourComputerName(fs)) {
  fileLock_ = lockWaiting(fs_, realPath_, wait);
  if (!fileLock_) throw Error::fileInUse(databasePath_);
  refuseOtherUsers();
  // One entry of ours; left-overs of this computer are replaced, and a name
  // planted there is removed rather than written through.
  fs_.remove(lockPath_);
  std::unique_ptr<File> file = fs_.create(lockPath_, realPath_);
  recorded_ = true;
  file->write(0, entryFor(computer_));
  file->sync();
}

WriterLock::~WriterLock() {
  try {
    release();
  } catch (const Error& e) {
    // A destructor cannot throw; say why the lock file stays.
    reportError(e);
  }
}

std::string WriterLock::otherComputer() {
  if (fs_.entryType(lockPath_) != EntryType::RegularFile) return {};
  std::vector<std::uint8_t> bytes;
  {
    std::unique_ptr<File> file = fs_.open(lockPath_, false);
    bytes.resize(std::min<std::uint64_t>(file->size(), kEntrySize * kMaxEntries));
    if (!bytes.empty()) file->read(0, bytes);
  }
  for (std::size_t at = 0; at + kEntrySize <= bytes.size(); at += kEntrySize) {
    const std::string computer = nameAt(bytes, at);
    if (!computer.empty() && computer != computer_) return computer;
  }
  return {};
}

void WriterLock::refuseOtherUsers() {
  if (!fs_.exists(lockPath_)) return;
  if (fs_.lockedByOthers(lockPath_)) throw Error::fileInUse(databasePath_);
  const std::string other = otherComputer();
  if (!other.empty()) throw Error::inUseByComputer(databasePath_, lockPath_, other);
}

void WriterLock::check() { refuseOtherUsers(); }

void WriterLock::release() {
  if (recorded_) {
    recorded_ = false;
    // Someone who came meanwhile keeps the file; our entry is blanked.
    if (fs_.lockedByOthers(lockPath_) || !otherComputer().empty()) {
      std::unique_ptr<File> file = fs_.open(lockPath_, true);
      std::vector<std::uint8_t> bytes(file->size());
      if (!bytes.empty()) file->read(0, bytes);
      for (std::size_t at = 0; at + kEntrySize <= bytes.size(); at += kEntrySize) {
        if (nameAt(bytes, at) != computer_) continue;
        std::vector<std::uint8_t> blank(kEntrySize, 0);
        file->write(at, blank);
      }
      file->sync();
    } else {
      fs_.remove(lockPath_);
    }
  }
  fileLock_.reset();
}

}  // namespace engine
