#include "cli_view.h"

#include <cstdio>

#include "stop_signals.h"

void CliProgress::setProgressValue(double value) {
  if (!showProgress_) return;
  const int percent = static_cast<int>(value);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
               kWidth - filled, "", percent);
  std::fflush(stderr);
}

void CliProgress::setProgressCaption(const std::u16string&) {
  if (!showProgress_ || lastPercent_ < 0) return;
  std::fprintf(stderr, "\r%*s\r", 48, "");
  lastPercent_ = -1;
}

bool CliProgress::stopRequested() const { return StopSignals::received() != 0; }
