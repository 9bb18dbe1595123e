#pragma once

// The case change run: each selected field of the selected table walked
// through a static recordset, each qualifying value converted and written
// back with one UPDATE per record, progress per field.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ado/error.h"
#include "case/case.h"
#include "case/name_case.h"
#include "db/window_lists.h"
#include "run/pause.h"
#include "run/value_filter.h"

namespace ado {
class WriteObserver;
}
namespace engine {
class FileSystem;
}

namespace Run {

// What the run shows while it goes, and asks of whoever started it.
class RunView {
 public:
  virtual ~RunView() = default;
  virtual void setPointer(int style) = 0;
  // Lets pending window events run.
  virtual void serveEvents() = 0;
  virtual void setProgressValue(double value) = 0;  // 0 to 100
  virtual void setProgressCaption(const std::u16string& caption) = 0;
  // Shows the preview of the field in hand again, after the run.
  virtual void refreshPreview() = 0;
  // Whether the user asked the run to stop (the command line on a signal):
  // the record in hand is finished, the changes saved and the run ends.
  [[nodiscard]] virtual bool stopRequested() const { return false; }
};

// Told of the filter's verdict on each record the run reaches, so that a
// report needs no second pass over the values.
class WalkObserver {
 public:
  virtual ~WalkObserver() = default;
  // `field` as the table names it; no reason: the record's value is converted.
  virtual void judged(const std::u16string& field, std::optional<LeftAlone> reason) = 0;
};

struct RunOptions {
  // The one-second pauses after records 0, 5000, 10000 ... and the final
  // 0.4 seconds keep the windowed program live; scripts may skip them.
  bool pauses = true;
  PauseEnvironment* pauseEnvironment = nullptr;  // null: the system clock
  // Told of every record the run writes (an undo file, a report); may be null.
  ado::WriteObserver* writeObserver = nullptr;
  // Told of each record's verdict; may be null.
  WalkObserver* walkObserver = nullptr;
  // The words Name Case keeps as written.
  Case::NameExceptions nameExceptions{};
  // Where the database is found: a scratch copy for a dry run; null: where
  // the component finds it (the disk).
  engine::FileSystem* folder = nullptr;
};

// What a run is asked to change.
struct ChangeCaseRequest {
  // The table chosen; without one, each field reports that none is.
  std::optional<std::u16string> table;
  // The fields chosen, in the order they are listed.
  std::vector<std::u16string> fields;
  // No field is listed at all: the run asks the user to select one.
  bool noFieldListed = false;
  // The case chosen; none changes nothing.
  std::optional<Case::CaseMode> mode;
  RunOptions options;
};

// The request that the change-case lists and the case list's text make.
ChangeCaseRequest RequestOf(Access::ChangeCaseLists& lists, std::u16string_view caseListText,
                            RunOptions options);

// How far the run went through one selected field.
struct FieldWalk {
  std::u16string field;
  long records = 0;  // in the field's recordset; 0 when the field was not begun
  long walked = 0;   // records the run reached
  long failed = 0;   // records whose UPDATE failed, each reported
};

// How a run ended. `converted` counts exactly the values the file holds as
// changed.
struct RunSummary {
  long converted = 0;  // values changed and saved
  long failures = 0;   // reports made
  bool stopped = false;
  bool outOfMemory = false;  // the run ended at once
  // The failure of the file itself that ended the run, reported once.
  std::optional<ado::Error> endedBy;
  // Records written whose change a failed commit undid (the failure that
  // undid them is the one report made of them).
  long undone = 0;
  long recordsLeft = 0;           // of the field in hand, when stopped or ended
  int fieldsLeft = 0;             // selected fields not begun, when stopped or ended
  std::vector<FieldWalk> fields;  // the selected fields, in list order
};

// The case change of "Start Changing". Failures are reported with their step
// labels and the run goes on, as the error trap does, except after a failure
// of the file itself (read-only, in use, a full disk or I/O error, damage, a
// lost connection): every later record would fail the same way, so the one
// report is made and the run ends, writing nothing more. A second run while
// one is under way is refused and does nothing.
RunSummary ChangeCase(const ChangeCaseRequest& request, RunView& view,
                      const Access::DatabaseWindow& boxes);

}  // namespace Run
