#include "engine/io/win32/win32.h"

namespace engine::win32 {

std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                           static_cast<int>(utf8.size()), nullptr, 0);
  if (length <= 0) throw Error::ioError(utf8, "naming", "the name is not valid UTF-8");
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        wide.data(), length);
  return wide;
}

std::string narrow(const std::wstring& utf16) {
  if (utf16.empty()) return {};
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), utf8.data(),
                        length, nullptr, nullptr);
  return utf8;
}

std::string messageOf(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
  if (buffer) ::LocalFree(buffer);
  // The system's sentences end in a full stop and a line break; ours add the stop.
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.' ||
                           text.back() == L' '))
    text.pop_back();
  if (text.empty()) return "system error " + std::to_string(code);
  return narrow(text);
}

Error ioError(const std::string& path, const char* what, DWORD code) {
  return Error::ioError(path, what, messageOf(code));
}

OVERLAPPED overlappedAt(std::uint64_t offset) {
  OVERLAPPED overlapped{};
  overlapped.Offset = static_cast<DWORD>(offset);
  overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return overlapped;
}

Handle openHandle(const std::string& path, DWORD access, DWORD disposition) {
  return Handle(::CreateFileW(widen(path).c_str(), access, kShareAll, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace engine::win32
