#pragma once

// The terminal the command line runs in: the one place the tool talks to
// the operating system directly.

#include <optional>
#include <string>

namespace Cli {

bool StandardInputIsTerminal();
bool StandardErrorIsTerminal();

// Shows `prompt` on standard error and reads one line from the terminal on
// standard input without showing what is typed. Nothing at the end of input.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

// One line of standard input, without its line end; nothing at the end of input.
std::optional<std::string> ReadLine();

}  // namespace Cli
