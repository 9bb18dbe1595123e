#pragma once

#include "engine/base/internal.h"

// What a writing connection holds so that nobody else changes the database at the same time
// (docs/file-format.md, Lock file): an exclusive lock on the file among processes on this computer
// (and others that honour it), and an entry in the Access lock file (.ldb for Jet, .laccdb for ACE)
// so that Access on a shared folder sees the database in use.
//
// Access marks live users with byte-range locks that are mostly invisible
// from here, so a lock file with entries of another computer, or with locks
// held by another process, counts as a live user: the write is refused with
// Error::fileInUse (naming that computer and the lock file, so that a user
// can tell a stale entry from a live one). Entries of this computer are
// left-overs of a writer that ended without cleaning up (the file lock
// proves no writer of this computer is running) and are reused.
//
// A writer of this computer holds the file lock for the length of its run,
// so another waits for it a few seconds at each attempt, as Access retries
// its page locks, before it gives way.

#include <chrono>
#include <memory>
#include <string>

#include "engine/file_system.h"

namespace engine {

std::string lockFilePathFor(const std::string& databasePath, bool ace);

// The file lock on `path`, waiting up to `wait` while another process of
// this computer holds it; nothing when it is still held then.
std::unique_ptr<FileLock> lockWaiting(FileSystem& fs, const std::string& path,
                                      std::chrono::milliseconds wait);

class WriterLock {
 public:
  // How long one attempt waits for another writer of this computer.
  static constexpr std::chrono::milliseconds kDefaultWait{5000};

  // Takes the file lock, waiting up to `wait` for another writer of this
  // computer, and records this computer in the lock file. Throws
  // Error::fileInUse (another writer, a live Access user) or
  // Error::readOnly (the folder takes no new files). `databasePath` names
  // the database in messages; the lock file is named after `realPath`.
  WriterLock(FileSystem& fs, const std::string& databasePath, const std::string& realPath, bool ace,
             std::chrono::milliseconds wait = kDefaultWait);
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  // Removes this computer's entry; the lock file goes when no entry is left.
  ~WriterLock();

  // Throws Error::fileInUse when another user appeared in the lock file.
  void check();
  // Removes this computer's entry now; errors are reported.
  void release();

 private:
  // Throws Error::fileInUse when the lock file shows another user.
  void refuseOtherUsers();
  // The first computer other than this one with an entry; "" when none.
  std::string otherComputer();

  FileSystem& fs_;
  std::string databasePath_;
  std::string realPath_;
  std::string lockPath_;
  std::string computer_;
  std::unique_ptr<FileLock> fileLock_;
  bool recorded_ = false;
};

}  // namespace engine
