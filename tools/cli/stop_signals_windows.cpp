// The stop signals on Windows: Ctrl+C and Ctrl+Break count as SIGINT; closing
// the console, logging off and shutting down count as SIGTERM.

#include <windows.h>

#include <csignal>

#include "stop_signals.h"

namespace {

volatile LONG firstSignal = 0;

BOOL WINAPI onConsoleEvent(DWORD event) {
  const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
  const LONG signal = interrupt ? SIGINT : SIGTERM;
  if (InterlockedCompareExchange(&firstSignal, signal, 0) != 0) {
    // A second one takes its default course: the process ends.
    return FALSE;
  }
  if (interrupt) return TRUE;
  // Windows ends the process as soon as this handler returns from a close,
  // log-off or shut-down event (and a few seconds later regardless): it waits
  // here while the run saves what it changed and the program returns.
  Sleep(INFINITE);
  return TRUE;
}

}  // namespace

StopSignals::StopSignals() { SetConsoleCtrlHandler(onConsoleEvent, TRUE); }

StopSignals::~StopSignals() { SetConsoleCtrlHandler(onConsoleEvent, FALSE); }

int StopSignals::received() { return static_cast<int>(firstSignal); }
