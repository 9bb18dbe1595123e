#include "run/pause.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTime>
#include <QTimer>
#include <chrono>
#include <thread>

namespace Run {
namespace {

constexpr double kSecondsPerDay = 86400.0;

class SystemEnvironment final : public PauseEnvironment {
 public:
  double secondsSinceMidnight() override {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
  }

  void serveEvents(double seconds) override {
    const int waitMs = std::max(1, static_cast<int>(seconds * 1000.0));
    if (!QCoreApplication::instance()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
      return;
    }
    // The timer guarantees a wake-up; until then the thread sleeps in the
    // event dispatcher instead of spinning.
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.start(waitMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
};

}  // namespace

PauseEnvironment& SystemPauseEnvironment() {
  static SystemEnvironment environment;
  return environment;
}

double ElapsedSinceMidnightClock(double start, double now) {
  return now < start ? now + kSecondsPerDay - start : now - start;
}

void Pause(double seconds, PauseEnvironment& environment) {
  const double start = environment.secondsSinceMidnight();
  for (;;) {
    const double elapsed = ElapsedSinceMidnightClock(start, environment.secondsSinceMidnight());
    if (elapsed >= seconds) return;
    environment.serveEvents(seconds - elapsed);
  }
}

void Pause(double seconds) { Pause(seconds, SystemPauseEnvironment()); }

}  // namespace Run
