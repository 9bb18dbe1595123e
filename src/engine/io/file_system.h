#pragma once

// The engine's door to the folder a database lives in: opening the database,
// creating and removing its companion files (the rollback journal, the
// Access lock file) and locking it against other writers. Tests swap it for
// an in-memory folder that can fail or "lose power" on purpose. Paths are
// UTF-8 on every system.

#include <memory>
#include <string>

#include "engine/io/file.h"

namespace engine {

// Held while a process writes a database; releases the lock when destroyed.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  virtual ~FileLock() = default;
};

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // An existing file. Missing: Error::couldNotFindFile; not writable
  // when `writable`: Error::readOnly.
  virtual std::unique_ptr<File> open(const std::string& path, bool writable) = 0;
  // A new empty file, replacing any file of that name; its name is durable
  // when this returns. Not allowed: Error::readOnly.
  virtual std::unique_ptr<File> create(const std::string& path) = 0;
  virtual bool exists(const std::string& path) = 0;
  // Removes the file; the removal is durable when this returns.
  virtual void remove(const std::string& path) = 0;
  // Moves the file `from` to the name `to`, replacing any file there, in one
  // step: `to` names either the old file or the new one, never neither. The
  // new name is durable when this returns.
  virtual void replace(const std::string& from, const std::string& to) = 0;
  // An exclusive lock on the existing file `path` among processes that lock
  // it the same way; nothing when another holder has it.
  virtual std::unique_ptr<FileLock> tryLock(const std::string& path) = 0;
  // Whether another process holds byte-range locks on `path` (Access over a
  // file share maps its lock-file locks to these).
  virtual bool lockedByOthers(const std::string& path) = 0;
  // The name of this computer, as Access records users in its lock files.
  virtual std::string computerName() = 0;
};

// The real file system.
FileSystem& diskFileSystem();

}  // namespace engine
