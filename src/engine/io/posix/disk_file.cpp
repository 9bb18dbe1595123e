// Files on disk through POSIX descriptors.

#include "engine/io/posix/disk_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/error.h"
#include "engine/file.h"

namespace engine {
namespace {

Error ioError(const std::string& path, const char* what) {
  return Error::ioError(path, what, std::strerror(errno));
}

class DiskFile final : public File {
 public:
  DiskFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~DiskFile() override { ::close(fd_); }

  const std::string& path() const override { return path_; }

  std::uint64_t size() const override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw ioError(path_, "examining");
    return static_cast<std::uint64_t>(st.st_size);
  }

  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      ssize_t n =
          ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw ioError(path_, "reading");
      }
      if (n == 0) throw Error::ioError(path_, "reading", "the file ended early");
      done += static_cast<std::size_t>(n);
    }
  }

  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    std::size_t done = 0;
    while (done < data.size()) {
      ssize_t n =
          ::pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        throw ioError(path_, "writing");
      }
      done += static_cast<std::size_t>(n);
    }
  }

  void sync() override {
    if (::fsync(fd_) != 0) throw ioError(path_, "flushing");
  }

  void truncate(std::uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) throw ioError(path_, "shortening");
  }

 private:
  std::string path_;
  int fd_;
};

}  // namespace

std::unique_ptr<File> openDiskFile(const std::string& path, bool writable) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) throw Error::couldNotFindFile(path);
  int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) {
    if (writable && (errno == EACCES || errno == EROFS || errno == EPERM)) throw Error::readOnly();
    if (errno == ENOENT) throw Error::couldNotFindFile(path);
    throw ioError(path, "opening");
  }
  return std::make_unique<DiskFile>(path, fd);
}

std::unique_ptr<File> adoptDiskFile(std::string path, int descriptor) {
  return std::make_unique<DiskFile>(std::move(path), descriptor);
}

}  // namespace engine
