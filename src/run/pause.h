#pragma once

// Pause: wait a number of seconds while the windows stay live. Time is read
// from a clock of seconds since midnight, as the run has always measured it,
// so a pause that spans midnight counts the day's 86,400 seconds.

namespace Run {

class PauseEnvironment {
 public:
  virtual ~PauseEnvironment() = default;
  // Seconds since midnight, with fractions.
  virtual double secondsSinceMidnight() = 0;
  // Serves pending window events, waiting at most `seconds` for one to come.
  virtual void serveEvents(double seconds) = 0;
};

// The real clock and Qt's event loop (a plain sleep without an application).
PauseEnvironment& SystemPauseEnvironment();

// Elapsed seconds from `start` to `now` on the midnight clock.
double ElapsedSinceMidnightClock(double start, double now);

void Pause(double seconds, PauseEnvironment& environment);
void Pause(double seconds);

}  // namespace Run
