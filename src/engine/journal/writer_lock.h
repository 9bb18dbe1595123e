#pragma once

// What a writing connection holds so that nobody else changes the database
// at the same time (guide §11): an exclusive lock on the file among
// processes on this computer (and others that honour it), and an entry in
// the Access lock file (.ldb for Jet, .laccdb for ACE) so that Access on a
// shared folder sees the database in use.
//
// Access marks live users with byte-range locks that are mostly invisible
// from here, so a lock file with entries of another computer, or with locks
// held by another process, counts as a live user: the write is refused with
// Error::fileInUse. Entries of this computer are left-overs of a
// writer that ended without cleaning up (the file lock proves no writer of
// this computer is running) and are reused.

#include <memory>
#include <string>

#include "engine/io/file_system.h"

namespace engine {

std::string lockFilePathFor(const std::string& databasePath, bool ace);

class WriterLock {
 public:
  // Takes the file lock and records this computer in the lock file. Throws
  // Error::fileInUse (another writer, a live Access user) or
  // Error::readOnly (the folder takes no new files).
  WriterLock(FileSystem& fs, const std::string& databasePath, bool ace);
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  // Removes this computer's entry; the lock file goes when no entry is left.
  ~WriterLock();

  // Throws Error::fileInUse when another user appeared in the lock file.
  void check();
  // Removes this computer's entry now; errors are reported.
  void release();

 private:
  enum class Entries { None, OnlyOurs, Others };
  Entries readEntries();

  FileSystem& fs_;
  std::string databasePath_;
  std::string lockPath_;
  std::string computer_;
  std::unique_ptr<FileLock> fileLock_;
  bool recorded_ = false;
};

}  // namespace engine
