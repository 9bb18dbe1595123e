#include "engine/create/page_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "engine/base/error.h"
#include "engine/format/layout_header.h"

namespace engine::create {

namespace h = layout::header;

namespace {

// Closes a file descriptor on scope exit.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

Error ioError(const std::filesystem::path& path, const char* what) {
  return Error::cannotCreate(path.string(), std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

std::uint32_t PageFile::allocate() {
  pages_.emplace_back(h::kPageSizeJet4, 0);
  return static_cast<std::uint32_t>(pages_.size() - 1);
}

std::span<std::uint8_t> PageFile::page(std::uint32_t number) { return pages_.at(number); }

void PageFile::writeTo(const std::filesystem::path& path, const PageCodec* codec) const {
  auto temporary = path;
  temporary += ".creating";
  FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) throw ioError(path, "cannot open for writing");
  auto fail = [&](const char* what) {
    auto error = ioError(path, what);
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return error;
  };
  Bytes stored;
  for (std::uint32_t number = 0; number < pages_.size(); ++number) {
    std::span<const std::uint8_t> page = pages_[number];
    if (codec && number != 0) {
      stored.assign(page.begin(), page.end());
      codec->encode(number, stored);
      page = stored;
    }
    std::size_t done = 0;
    while (done < page.size()) {
      auto n = ::write(fd.get(), page.data() + done, page.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw fail("cannot write");
      done += static_cast<std::size_t>(n);
    }
  }
  if (::fsync(fd.get()) != 0) throw fail("cannot flush");
  if (::close(fd.release()) != 0) throw fail("cannot close");
  if (::rename(temporary.c_str(), path.c_str()) != 0) throw fail("cannot rename into place");
}

}  // namespace engine::create
