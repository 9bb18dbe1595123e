#pragma once

// An error trap for a procedure whose failures are reported and then carried
// past: each labelled statement runs inside the trap; when one fails, the
// application error report names the procedure's location and the label, and
// execution goes on with the next statement. The trap stays armed for the
// whole call, so every failure gets its own report. Running out of memory is
// not carried past: std::bad_alloc leaves the procedure.
//
//   Main::Trap trap("in Casewick2021/08/31.Form1.PushButton2_Click ", boxes);
//   trap(100, [&] { tables = GetAccessTables(path); });
//   if (trap.when(102, [&] { return !tables; })) {   // a failing test enters
//     trap(104, [&] { tables.reset(); });             // its Then-part
//     return;
//   }

#include <QString>
#include <exception>
#include <new>
#include <utility>

#include "app/main/message_box.h"

namespace Main {

// The user-facing text of whatever was thrown.
QString DescriptionOf(std::exception_ptr failure);

class Trap {
 public:
  // Reports go to `boxes`, which must outlive the trap.
  Trap(const char* location, MessageBoxSeam& boxes)
      : location_(QString::fromUtf8(location)), boxes_(boxes) {}
  Trap(const Trap&) = delete;
  Trap& operator=(const Trap&) = delete;

  // Runs one statement; a failure is reported with `label`. Returns whether
  // the statement completed.
  template <class Statement>
  bool operator()(int label, Statement&& statement) {
    try {
      std::forward<Statement>(statement)();
      return true;
    } catch (const std::bad_alloc&) {
      throw;
    } catch (...) {
      report(label, std::current_exception());
      return false;
    }
  }

  // Evaluates the condition of an If. A condition that fails is reported and
  // counts as true, so execution goes on into the Then-part.
  template <class Condition>
  [[nodiscard]] bool when(int label, Condition&& condition) {
    try {
      return static_cast<bool>(std::forward<Condition>(condition)());
    } catch (const std::bad_alloc&) {
      throw;
    } catch (...) {
      report(label, std::current_exception());
      return true;
    }
  }

  const QString& location() const { return location_; }
  int reports() const { return reports_; }
  // What the last failing statement threw; null before any failure.
  const std::exception_ptr& lastFailure() const { return lastFailure_; }

 private:
  void report(int label, std::exception_ptr failure);

  QString location_;
  MessageBoxSeam& boxes_;
  int reports_ = 0;
  std::exception_ptr lastFailure_;
};

}  // namespace Main
