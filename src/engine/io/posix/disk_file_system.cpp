// The folder on disk through POSIX calls.

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/io/posix/disk_file.h"

namespace engine {
namespace {

Error ioError(const std::string& path, const char* what) {
  return Error::ioError(path, what, std::strerror(errno));
}

std::string folderOf(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

// Makes a new or removed name in `path`'s folder durable.
void syncFolderOf(const std::string& path) {
  const std::string folder = folderOf(path);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // some file systems do not open folders; nothing more to do
  const int rc = ::fsync(fd);
  const int savedErrno = errno;
  ::close(fd);
  // Folders on some network file systems refuse fsync; the data itself was synced.
  if (rc != 0 && savedErrno != EINVAL && savedErrno != EBADF) {
    errno = savedErrno;
    throw ioError(folder, "flushing the folder of");
  }
}

// A file or folder without any write permission bit is marked read-only by
// its owner. The mark holds for every user: root, whom the system would let
// write, is refused too.
bool markedReadOnly(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

class FlockLock final : public FileLock {
 public:
  explicit FlockLock(int fd) : fd_(fd) {}
  ~FlockLock() override {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }

 private:
  int fd_;
};

class DiskFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> open(const std::string& path, bool writable) override {
    if (writable) requireWritable(path);
    return openDiskFile(path, writable);
  }

  void requireWritable(const std::string& path) override {
    if (!exists(path)) throw Error::couldNotFindFile(path);
    if (markedReadOnly(path) || markedReadOnly(folderOf(path))) throw Error::readOnly();
    if (::access(path.c_str(), W_OK) != 0) {
      if (errno == EACCES || errno == EROFS || errno == EPERM) throw Error::readOnly();
      throw ioError(path, "examining");
    }
  }

  std::unique_ptr<File> create(const std::string& path, const std::string& like) override {
    struct stat model {};
    model.st_mode = 0644;
    if (!like.empty() && ::stat(like.c_str(), &model) != 0) throw ioError(like, "examining");
    const mode_t mode = model.st_mode & 0777;
    // O_EXCL and O_NOFOLLOW: a name planted in the folder (a link to another
    // file, say) is never written through.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EACCES || errno == EROFS || errno == EPERM) throw Error::readOnly();
      throw ioError(path, "creating");
    }
    std::unique_ptr<File> file = adoptDiskFile(path, fd);
    // The umask may have taken bits away; the companion reads like the
    // database. Run by the administrator, it also keeps the database's owner,
    // who could not play a journal back otherwise.
    if (::fchmod(fd, mode) != 0) throw ioError(path, "setting the permissions of");
    if (!like.empty() && ::geteuid() == 0 && ::fchown(fd, model.st_uid, model.st_gid) != 0)
      throw ioError(path, "setting the owner of");
    syncFolderOf(path);
    return file;
  }

  EntryType entryType(const std::string& path) override {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) return EntryType::None;
      throw ioError(path, "examining");
    }
    return S_ISREG(st.st_mode) ? EntryType::RegularFile : EntryType::Other;
  }

  void remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      if (errno == EACCES || errno == EROFS || errno == EPERM) throw Error::readOnly();
      throw ioError(path, "removing");
    }
  }

  void syncFolder(const std::string& path) override { syncFolderOf(path); }

  std::string realPath(const std::string& path) override {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) {
      if (errno == ENOENT || errno == ENOTDIR) throw Error::couldNotFindFile(path);
      throw ioError(path, "resolving the path of");
    }
    std::string result(resolved);
    std::free(resolved);
    return result;
  }

  void replace(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) throw ioError(to, "replacing");
    syncFolderOf(to);
  }

  std::unique_ptr<FileLock> tryLock(const std::string& path) override {
    // flock locks belong to the open file description, so two connections of
    // one process exclude each other too (fcntl locks would not).
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw ioError(path, "locking");
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int savedErrno = errno;
      ::close(fd);
      if (savedErrno == EWOULDBLOCK) return nullptr;
      errno = savedErrno;
      throw ioError(path, "locking");
    }
    return std::make_unique<FlockLock>(fd);
  }

  bool lockedByOthers(const std::string& path) override {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;  // the whole file and beyond: Jet locks far past its end
    const bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return locked;
  }

  std::string computerName() override {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "localhost";
    return name;
  }
};

}  // namespace

FileSystem& diskFileSystem() {
  static DiskFileSystem instance;
  return instance;
}

}  // namespace engine
