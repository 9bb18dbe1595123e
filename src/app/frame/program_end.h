#pragma once

#include <functional>

namespace Main {

// Ends the program: every window goes away and the event loop stops.
void EndProgram();

// While alive, EndProgram() calls `instead` rather than ending the program,
// so tests can see that a window would have ended it.
class ScopedProgramEnd {
 public:
  explicit ScopedProgramEnd(std::function<void()> instead);
  ~ScopedProgramEnd();
  ScopedProgramEnd(const ScopedProgramEnd&) = delete;
  ScopedProgramEnd& operator=(const ScopedProgramEnd&) = delete;

 private:
  std::function<void()> previous_;
};

}  // namespace Main
