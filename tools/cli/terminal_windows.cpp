// The Windows console: a password typed without echo is read as UTF-16 and
// becomes UTF-8; output is put in UTF-8 for the program's run.

#include <windows.h>

#include <cstdio>
#include <string>

#include "terminal.h"

namespace Cli {
namespace {

HANDLE standardInput() { return GetStdHandle(STD_INPUT_HANDLE); }

bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

DWORD savedMode = 0;
volatile LONG echoIsOff = 0;

// Ctrl+C while the password is typed must not leave the console silent; the
// event then takes its default course and the process ends.
BOOL WINAPI restoreEcho(DWORD) {
  if (InterlockedExchange(&echoIsOff, 0) != 0) SetConsoleMode(standardInput(), savedMode);
  return FALSE;
}

class EchoOff {
 public:
  EchoOff() {
    if (!GetConsoleMode(standardInput(), &savedMode)) return;
    SetConsoleCtrlHandler(restoreEcho, TRUE);
    const DWORD quiet = (savedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                        ENABLE_PROCESSED_INPUT;
    if (SetConsoleMode(standardInput(), quiet)) InterlockedExchange(&echoIsOff, 1);
  }
  ~EchoOff() {
    if (InterlockedExchange(&echoIsOff, 0) != 0) SetConsoleMode(standardInput(), savedMode);
    SetConsoleCtrlHandler(restoreEcho, FALSE);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
};

// One line typed at the console, as the UTF-16 the console holds.
std::optional<std::string> readConsoleLine() {
  std::wstring line;
  wchar_t buffer[256];
  for (;;) {
    DWORD read = 0;
    if (!ReadConsoleW(standardInput(), buffer, 256, &read, nullptr) || read == 0)
      return line.empty() ? std::nullopt : std::optional<std::string>(utf8(line));
    line.append(buffer, read);
    const size_t end = line.find(L'\n');
    if (end != std::wstring::npos) {
      line.resize(end);
      if (!line.empty() && line.back() == L'\r') line.pop_back();
      return utf8(line);
    }
  }
}

}  // namespace

Utf8Console::Utf8Console() {
  if (!isConsole(GetStdHandle(STD_OUTPUT_HANDLE)) && !isConsole(GetStdHandle(STD_ERROR_HANDLE)))
    return;
  previousCodePage_ = GetConsoleOutputCP();
  SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
  std::fflush(stdout);
  std::fflush(stderr);
  if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
}

bool StandardInputIsTerminal() { return isConsole(standardInput()); }
bool StandardErrorIsTerminal() { return isConsole(GetStdHandle(STD_ERROR_HANDLE)); }

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  // Echo goes off first: whatever is typed once the prompt shows stays hidden.
  EchoOff echoOff;
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  auto line = isConsole(standardInput()) ? readConsoleLine() : ReadLine();
  // The Enter key was not echoed either.
  std::fputs("\n", stderr);
  return line;
}

}  // namespace Cli
