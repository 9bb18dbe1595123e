#include "run/pause.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A clock that moves only when events are served, by a fixed step.
class SteppingClock final : public Run::PauseEnvironment {
 public:
  SteppingClock(double start, double step) : now_(start), step_(step) {}
  double secondsSinceMidnight() override { return now_; }
  void serveEvents(double seconds) override {
    waits.push_back(seconds);
    now_ += step_;
    if (now_ >= 86400.0) now_ -= 86400.0;
  }
  std::vector<double> waits;

 private:
  double now_;
  double step_;
};

TEST(Pause, ServesEventsUntilTimeIsUp) {
  SteppingClock clock(1000.0, 0.25);
  Run::Pause(1.0, clock);
  EXPECT_EQ(clock.waits.size(), 4u);
  EXPECT_DOUBLE_EQ(clock.waits.front(), 1.0);  // waits for events, never longer than needed
  EXPECT_DOUBLE_EQ(clock.waits.back(), 0.25);
}

TEST(Pause, CountsMidnightWrap) {
  SteppingClock clock(86399.5, 0.25);
  Run::Pause(1.0, clock);
  EXPECT_EQ(clock.waits.size(), 4u);
}

TEST(Pause, ZeroSecondsReturnsAtOnce) {
  SteppingClock clock(10.0, 1.0);
  Run::Pause(0.0, clock);
  EXPECT_TRUE(clock.waits.empty());
}

TEST(Pause, ElapsedOnMidnightClock) {
  EXPECT_NEAR(Run::ElapsedSinceMidnightClock(86399.8, 0.2), 0.4, 1e-9);
  EXPECT_DOUBLE_EQ(Run::ElapsedSinceMidnightClock(10.0, 12.5), 2.5);
}

TEST(Pause, RealClockWaitsAtLeastTheTime) {
  auto& env = Run::SystemPauseEnvironment();
  const double start = env.secondsSinceMidnight();
  Run::Pause(0.05);
  EXPECT_GE(Run::ElapsedSinceMidnightClock(start, env.secondsSinceMidnight()), 0.049);
}

}  // namespace
