#include "stop_signals.h"

#include <csignal>
#include <cstdio>

namespace {

int stopped(const char* when) {
  const int signal = StopSignals::received();
  std::fprintf(stderr, "caseloom-cli: stopped by %s %s.\n", signal == SIGINT ? "SIGINT" : "SIGTERM",
               when);
  return 128 + signal;
}

}  // namespace

int StoppedBeforeChanging() { return stopped("before anything was changed"); }

int StoppedAfterChanging() { return stopped("after the changes were saved"); }
