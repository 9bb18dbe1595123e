#include "run/run_guard.h"

namespace Run {
namespace {
bool runUnderWay = false;  // the user-interface thread is the only one
}

RunGuard::RunGuard() : acquired_(!runUnderWay) { runUnderWay = true; }

RunGuard::~RunGuard() {
  if (acquired_) runUnderWay = false;
}

bool IsRunUnderWay() { return runUnderWay; }

}  // namespace Run
