#pragma once

// The terminal the command line runs in: with the stop signals, the one
// place the tool talks to the operating system directly (terminal_posix.cpp,
// terminal_windows.cpp).

#include <optional>
#include <string>

namespace Cli {

// For its lifetime, text written to a Windows console is read as UTF-8, as
// the program writes it (the console's own code page is put back after);
// nothing elsewhere, where terminals take UTF-8 already.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  [[maybe_unused]] unsigned previousCodePage_ = 0;  // Windows only
};

bool StandardInputIsTerminal();
bool StandardErrorIsTerminal();

// Shows `prompt` on standard error and reads one line from the terminal on
// standard input without showing what is typed. Nothing at the end of input.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

// One line of standard input, without its line end; nothing at the end of input.
std::optional<std::string> ReadLine();

}  // namespace Cli
