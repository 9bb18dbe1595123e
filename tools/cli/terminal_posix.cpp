#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "terminal.h"

namespace Cli {
namespace {

struct termios savedTerminal;
volatile std::sig_atomic_t echoIsOff = 0;

// Ctrl-C while the password is typed must not leave the terminal silent.
extern "C" void restoreEchoAndStop(int signal) {
  if (echoIsOff) ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

class EchoOff {
 public:
  EchoOff() {
    if (::tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return;
    struct termios quiet = savedTerminal;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    quiet.c_lflag |= ECHONL;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(signal, restoreEchoAndStop);
    echoIsOff = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (echoIsOff) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    echoIsOff = 0;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(signal, SIG_DFL);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
};

}  // namespace

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) != 0; }
bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  // Echo goes off first: whatever is typed once the prompt shows stays hidden.
  EchoOff echoOff;
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  return ReadLine();
}

}  // namespace Cli
