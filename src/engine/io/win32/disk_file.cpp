// Files on disk through Win32 handles: positioned reads and writes with
// OVERLAPPED offsets on a synchronous handle, FlushFileBuffers as the sync.

#include <algorithm>

#include "engine/file.h"
#include "engine/io/win32/win32.h"

namespace engine {
namespace win32 {
namespace {

// ReadFile and WriteFile take at most a DWORD of bytes at a time.
constexpr std::size_t kMostAtOnce = std::size_t{1} << 30;

class DiskFile final : public File {
 public:
  DiskFile(std::string path, Handle handle) : path_(std::move(path)), handle_(std::move(handle)) {}

  const std::string& path() const override { return path_; }

  std::uint64_t size() const override {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_.get(), &size)) throw ioError(path_, "examining", ::GetLastError());
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      OVERLAPPED overlapped = win32::overlappedAt(offset + done);
      DWORD got = 0;
      const auto want = static_cast<DWORD>(std::min(out.size() - done, kMostAtOnce));
      if (!::ReadFile(handle_.get(), out.data() + done, want, &got, &overlapped)) {
        const DWORD code = ::GetLastError();
        if (code != ERROR_HANDLE_EOF) throw ioError(path_, "reading", code);
        got = 0;
      }
      if (got == 0) throw Error::ioError(path_, "reading", "the file ended early");
      done += got;
    }
  }

  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    std::size_t done = 0;
    while (done < data.size()) {
      OVERLAPPED overlapped = win32::overlappedAt(offset + done);
      DWORD put = 0;
      const auto want = static_cast<DWORD>(std::min(data.size() - done, kMostAtOnce));
      if (!::WriteFile(handle_.get(), data.data() + done, want, &put, &overlapped))
        throw ioError(path_, "writing", ::GetLastError());
      if (put == 0) throw Error::ioError(path_, "writing", "nothing was written");
      done += put;
    }
  }

  void sync() override {
    if (!::FlushFileBuffers(handle_.get())) throw ioError(path_, "flushing", ::GetLastError());
  }

  void truncate(std::uint64_t size) override {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFileInformationByHandle(handle_.get(), FileEndOfFileInfo, &end, sizeof end))
      throw ioError(path_, "shortening", ::GetLastError());
  }

 private:
  std::string path_;
  Handle handle_;
};

}  // namespace

std::unique_ptr<File> fileOf(std::string path, Handle handle) {
  return std::make_unique<DiskFile>(std::move(path), std::move(handle));
}

}  // namespace win32

std::unique_ptr<File> openDiskFile(const std::string& path, bool writable) {
  const std::wstring wide = win32::widen(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw Error::couldNotFindFile(path);
  if (writable && (attributes & FILE_ATTRIBUTE_READONLY)) throw Error::readOnly();
  win32::Handle handle =
      win32::openHandle(path, GENERIC_READ | (writable ? GENERIC_WRITE : 0), OPEN_EXISTING);
  if (!handle.valid()) {
    const DWORD code = ::GetLastError();
    // Another program holds the file and lets nobody else write (or read).
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
      throw Error::fileInUse(path);
    if (writable && (code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT))
      throw Error::readOnly();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
      throw Error::couldNotFindFile(path);
    throw win32::ioError(path, "opening", code);
  }
  return win32::fileOf(path, std::move(handle));
}

}  // namespace engine
