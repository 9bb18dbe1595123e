#pragma once

namespace Run {

// Marks a case change run as under way, in the flag of the window that
// starts runs, for as long as the guard lives. Only one run at a time: a
// guard made while the flag is set is not acquired.
class RunGuard {
 public:
  explicit RunGuard(bool& underWay) : underWay_(underWay), acquired_(!underWay) { underWay = true; }
  ~RunGuard() {
    if (acquired_) underWay_ = false;
  }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

  [[nodiscard]] bool acquired() const { return acquired_; }

 private:
  bool& underWay_;
  bool acquired_;
};

}  // namespace Run
