#pragma once

// The engine's door to the folder a database lives in: opening the database,
// creating and removing its companion files (the rollback journal, the
// Access lock file) and locking it against other writers. Tests swap it for
// an in-memory folder that can fail or "lose power" on purpose. Paths are
// UTF-8 on every system.

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "engine/file.h"

namespace engine {

// Held while a process writes a database; releases the lock when destroyed.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  virtual ~FileLock() = default;
};

// What a name in a folder is, seen without following symbolic links.
enum class EntryType { None, RegularFile, Other };

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // An existing file. Missing: Error::couldNotFindFile; not writable
  // when `writable`: Error::readOnly.
  virtual std::unique_ptr<File> open(const std::string& path, bool writable) = 0;
  // Throws Error::readOnly when the existing file `path` may not be
  // changed, without changing anything; open(path, true) makes the same
  // test. By default: opening it for writing.
  virtual void requireWritable(const std::string& path);
  // A new empty file, made exclusively: never over a name that is already
  // there and never through a symbolic link (either is an Error::ioError
  // naming `path`; remove a stale file first). It gets the permission bits,
  // and where allowed the owner, of the existing file `like`, so that a
  // database's companion is open to nobody who may not read the database;
  // with no `like`, the system's defaults for a new file. Its name is durable when this returns. A
  // folder that takes no new files: Error::readOnly.
  virtual std::unique_ptr<File> create(const std::string& path, const std::string& like) = 0;
  // What `path` names, without following a symbolic link.
  virtual EntryType entryType(const std::string& path) = 0;
  [[nodiscard]] bool exists(const std::string& path) { return entryType(path) != EntryType::None; }
  // Removes the name `path` (a symbolic link itself, never what it points
  // to); a missing name is no error. Durable once syncFolder() returns.
  virtual void remove(const std::string& path) = 0;
  // Makes the names created and removed in the folder of `path` durable.
  virtual void syncFolder(const std::string& path) = 0;
  // The absolute path of the existing file `path` with every symbolic link
  // resolved: companions are named after it, so that every way of naming a
  // database finds the same journal and lock file. Missing:
  // Error::couldNotFindFile.
  virtual std::string realPath(const std::string& path) = 0;
  // Moves the file `from` to the name `to`, replacing any file there, in one
  // step: `to` names either the old file or the new one, never neither. The
  // new name is durable when this returns.
  virtual void replace(const std::string& from, const std::string& to) = 0;
  // An exclusive lock on the existing file `path` among processes that lock
  // it the same way; nothing when another holder has it.
  virtual std::unique_ptr<FileLock> tryLock(const std::string& path) = 0;
  // Whether another process holds byte-range locks on `path` (Access over a
  // file share maps its lock-file locks to these).
  [[nodiscard]] virtual bool lockedByOthers(const std::string& path) = 0;
  // The name of this computer, as Access records users in its lock files.
  virtual std::string computerName() = 0;
  // The largest file this folder takes, where it has a limit of its own
  // (the engine keeps Access's limit in any case).
  virtual std::uint64_t fileSizeLimit() const { return std::numeric_limits<std::uint64_t>::max(); }
};

// The real file system.
FileSystem& diskFileSystem();

}  // namespace engine
