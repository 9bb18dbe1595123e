#pragma once

// SIGINT and SIGTERM during a conversion: the first asks the run to stop
// after the record in hand, so that it saves its changes and gives up its
// lock; a second ends the process at once (the journal then undoes the
// unsaved batch at the next open).
class StopSignals {
 public:
  StopSignals();   // installs the handlers
  ~StopSignals();  // restores the previous ones
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The first signal received, or 0.
  static int received();
};

// Says that a stop signal came before anything was changed; returns the
// exit status for it (128 + the signal).
int StoppedBeforeChanging();
// The same for a signal that came after the work was done and saved.
int StoppedAfterChanging();
