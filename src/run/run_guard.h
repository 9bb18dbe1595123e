#pragma once

namespace Run {

// Marks a case change run as under way for as long as it lives. Only one run
// at a time: a guard made while another lives is not acquired.
class RunGuard {
 public:
  RunGuard();
  ~RunGuard();
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;
  bool acquired() const { return acquired_; }

 private:
  bool acquired_;
};

// True while a run is under way; the windows refuse clicks that would change
// the lists the run reads.
bool IsRunUnderWay();

}  // namespace Run
