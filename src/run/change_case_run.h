#pragma once

// The case change run: each selected field of the selected table walked
// through a static recordset, each qualifying value converted and written
// back with one UPDATE per record, progress per field.

#include <string>

#include "case/name_case.h"
#include "db/window_lists.h"
#include "run/pause.h"

namespace ado {
class WriteObserver;
}
namespace engine {
class FileSystem;
}

namespace Run {

// What the run reads and drives in the change-case window.
class RunWindow : public Access::ChangeCaseLists {
 public:
  virtual std::u16string caseListText() const = 0;  // Combo1
  virtual void setProgressValue(double value) = 0;  // 0 to 100
  virtual void setProgressCaption(const std::u16string& caption) = 0;
  // The field list's click handling, to rebuild the preview.
  virtual void refreshPreview() = 0;
  // Whether the user asked the run to stop (the command line on a signal):
  // the record in hand is finished, the changes saved and the run ends.
  virtual bool stopRequested() const { return false; }
};

struct RunOptions {
  // The one-second pauses after records 0, 5000, 10000 ... and the final
  // 0.4 seconds keep the windowed program live; scripts may skip them.
  bool pauses = true;
  PauseEnvironment* pauseEnvironment = nullptr;  // null: the system clock
  // Told of every record the run writes (an undo file, a report); may be null.
  ado::WriteObserver* writeObserver = nullptr;
  // The words Name Case keeps as written.
  Case::NameExceptions nameExceptions{};
};

// How a run ended. Every record the file does not hold as changed was
// reported as failed: `converted` counts exactly the values it holds.
struct RunSummary {
  long converted = 0;  // values changed and saved
  long failures = 0;   // reports made
  bool stopped = false;
  bool outOfMemory = false;  // the run ended at once
  long recordsLeft = 0;      // of the field in hand, when stopped
  int fieldsLeft = 0;        // selected fields not begun, when stopped
};

// "Start Changing". Failures are reported with their step labels and the run
// goes on, as the error trap does.
RunSummary PushButton4_Click(RunWindow& window, const Access::DatabaseBoxes& boxes,
                             const RunOptions& options = {});

}  // namespace Run
