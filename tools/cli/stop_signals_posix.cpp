// The stop signals on POSIX systems: SIGINT and SIGTERM.

#include <csignal>

#include "stop_signals.h"

namespace {

volatile std::sig_atomic_t firstSignal = 0;
struct sigaction previousInt {
}, previousTerm{};

void onSignal(int signal) {
  firstSignal = signal;
  // The next one takes its default course: the process ends.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal == SIGINT ? SIGTERM : SIGINT, &fallback, nullptr);
  sigaction(signal, &fallback, nullptr);
}

}  // namespace

StopSignals::StopSignals() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // system calls in progress carry on
  sigaction(SIGINT, &action, &previousInt);
  sigaction(SIGTERM, &action, &previousTerm);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &previousInt, nullptr);
  sigaction(SIGTERM, &previousTerm, nullptr);
}

int StopSignals::received() { return firstSignal; }
