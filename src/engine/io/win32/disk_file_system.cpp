// The folder on disk through Win32 calls. Windows has no folder to flush:
// NTFS journals names itself, and MOVEFILE_WRITE_THROUGH waits for a move
// to reach the disk.

#include <atomic>

#include "engine/file_system.h"
#include "engine/io/win32/win32.h"

namespace engine {
namespace {

using win32::Handle;

// The writer's lock is one byte far past any data: Windows byte-range locks
// also stop reads and writes through other handles, and Jet's own locks lie
// much lower.
constexpr std::uint64_t kWriterLockOffset = std::uint64_t{1} << 62;

bool isMissing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

class RangeLock final : public FileLock {
 public:
  explicit RangeLock(Handle handle) : handle_(std::move(handle)) {}
  ~RangeLock() override {
    OVERLAPPED overlapped = win32::overlappedAt(kWriterLockOffset);
    ::UnlockFileEx(handle_.get(), 0, 1, 0, &overlapped);
  }

 private:
  Handle handle_;
};

class DiskFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> open(const std::string& path, bool writable) override {
    return openDiskFile(path, writable);
  }

  std::unique_ptr<File> create(const std::string& path, const std::string&) override {
    // CREATE_NEW fails over any name already there, a link included. The
    // new file takes the permissions its folder passes on, as every file
    // in it does, the database's among them; `like` has nothing to add.
    Handle handle = win32::openHandle(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    if (!handle.valid()) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT) throw Error::readOnly();
      throw win32::ioError(path, "creating", code);
    }
    // Flushing the new file writes its directory entry too.
    if (!::FlushFileBuffers(handle.get())) throw win32::ioError(path, "flushing", ::GetLastError());
    return win32::fileOf(path, std::move(handle));
  }

  EntryType entryType(const std::string& path) override {
    const DWORD attributes = ::GetFileAttributesW(win32::widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD code = ::GetLastError();
      if (isMissing(code)) return EntryType::None;
      throw win32::ioError(path, "examining", code);
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
      return EntryType::Other;
    return EntryType::RegularFile;
  }

  void remove(const std::string& path) override {
    // A file still open elsewhere keeps its name until the last handle
    // closes; moved to a name of its own first, it frees the name at once
    // (a journal or lock file may be created again right away).
    static std::atomic<unsigned> removals{0};
    const std::wstring wide = win32::widen(path);
    const std::wstring away = wide + L".removed-" + std::to_wstring(::GetCurrentProcessId()) +
                              L"-" + std::to_wstring(removals++);
    if (!::MoveFileExW(wide.c_str(), away.c_str(), MOVEFILE_WRITE_THROUGH)) {
      const DWORD code = ::GetLastError();
      if (isMissing(code)) return;
      if (code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT) throw Error::readOnly();
      throw win32::ioError(path, "removing", code);
    }
    if (!::DeleteFileW(away.c_str())) throw win32::ioError(path, "removing", ::GetLastError());
  }

  void syncFolder(const std::string&) override {}  // see the top of this file

  std::string realPath(const std::string& path) override {
    Handle handle = win32::openHandle(path, 0, OPEN_EXISTING);
    if (!handle.valid()) {
      const DWORD code = ::GetLastError();
      if (isMissing(code)) throw Error::couldNotFindFile(path);
      throw win32::ioError(path, "resolving the path of", code);
    }
    std::wstring wide(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length = ::GetFinalPathNameByHandleW(
          handle.get(), wide.data(), static_cast<DWORD>(wide.size()), FILE_NAME_NORMALIZED);
      if (length == 0) throw win32::ioError(path, "resolving the path of", ::GetLastError());
      const bool fits = length < wide.size();
      wide.resize(length);
      if (fits) break;
    }
    // The answer comes in the long form: \\?\C:\... or \\?\UNC\server\share\...
    if (wide.starts_with(LR"(\\?\UNC\)")) return R"(\\)" + win32::narrow(wide.substr(8));
    if (wide.starts_with(LR"(\\?\)")) return win32::narrow(wide.substr(4));
    return win32::narrow(wide);
  }

  void replace(const std::string& from, const std::string& to) override {
    if (!::MoveFileExW(win32::widen(from).c_str(), win32::widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_SHARING_VIOLATION) throw Error::fileInUse(to);
      throw win32::ioError(to, "replacing", code);
    }
  }

  std::unique_ptr<FileLock> tryLock(const std::string& path) override {
    // Byte-range locks belong to a handle, so two connections of one
    // process exclude each other too.
    Handle handle = win32::openHandle(path, GENERIC_READ, OPEN_EXISTING);
    if (!handle.valid()) throw win32::ioError(path, "locking", ::GetLastError());
    OVERLAPPED overlapped = win32::overlappedAt(kWriterLockOffset);
    if (!::LockFileEx(handle.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &overlapped)) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_LOCK_VIOLATION) return nullptr;
      throw win32::ioError(path, "locking", code);
    }
    return std::make_unique<RangeLock>(std::move(handle));
  }

  bool lockedByOthers(const std::string& path) override {
    Handle handle = win32::openHandle(path, GENERIC_READ, OPEN_EXISTING);
    if (!handle.valid()) return false;
    // Taking every byte at once fails when anyone holds any of them.
    OVERLAPPED overlapped = win32::overlappedAt(0);
    if (::LockFileEx(handle.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                     MAXDWORD, &overlapped)) {
      overlapped = win32::overlappedAt(0);
      ::UnlockFileEx(handle.get(), 0, MAXDWORD, MAXDWORD, &overlapped);
      return false;
    }
    const DWORD code = ::GetLastError();
    if (code == ERROR_LOCK_VIOLATION) return true;
    throw win32::ioError(path, "examining the locks of", code);
  }

  std::string computerName() override {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!::GetComputerNameW(name, &length)) return "localhost";
    return win32::narrow(std::wstring(name, length));
  }
};

}  // namespace

FileSystem& diskFileSystem() {
  static DiskFileSystem instance;
  return instance;
}

}  // namespace engine
