#pragma once

#include "engine/base/internal.h"

// What the Win32 file layer shares: UTF-16 paths made from the engine's
// UTF-8 ones, handles closed on scope exit, and system errors as text.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "engine/error.h"
#include "engine/file.h"

namespace engine::win32 {

// Windows' own share modes: others may read and write, as Jet allows, and
// may remove or rename (so a journal or lock file goes while still open).
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);

// The system's sentence for an error code, in UTF-8.
std::string messageOf(DWORD code);
// "Disk or network error while <what> '<path>': <the system's sentence>."
Error ioError(const std::string& path, const char* what, DWORD code);

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  Handle& operator=(Handle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  [[nodiscard]] bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// An OVERLAPPED that places a read, a write or a lock at `offset`.
OVERLAPPED overlappedAt(std::uint64_t offset);

// CreateFileW with every share mode; `disposition` as CreateFileW's.
Handle openHandle(const std::string& path, DWORD access, DWORD disposition);

// The engine's File over an open handle; `path` names it in messages.
std::unique_ptr<File> fileOf(std::string path, Handle handle);

}  // namespace engine::win32
