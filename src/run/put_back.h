#pragma once

// Taking back the changes an undo file holds (undo_file.h): each record that
// still holds the new text gets its old text again, through the connection
// and so through the engine's journal like any change. Records changed
// since are left as they are and listed.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ado/connection.h"
#include "run/undo_file.h"

namespace Run {

struct PutBackReport {
  long putBack = 0;
  // Records that already hold their old text: an earlier undo put them
  // back, or the change never reached the database.
  long alreadyAsBefore = 0;
  struct Skipped {
    UndoEntry entry;
    std::optional<ado::Value> found;  // what the field holds; nothing: the record is gone
  };
  // Records that something else changed since: they hold neither text.
  std::vector<Skipped> changedSince;
  struct Failed {
    UndoEntry entry;
    std::string description;
  };
  // Records whose old text could not be written back.
  std::vector<Failed> failed;
  // The failure of the file itself that ended the work (listed once in
  // `failed`): every later entry would fail the same way, so none is tried.
  std::optional<ado::Error> endedBy;
  bool endedAtClose = false;  // by the last commit, not listed in `failed`
  bool stopped = false;       // asked to stop
  long notReached = 0;        // entries not tried, when ended or stopped
  // Values counted as put back whose change a failed commit undid.
  long undone = 0;
};

// Closes the connection after PutBack. When the last batch cannot be saved
// the failure ends the report (once) and its values count as undone.
void ClosePutBack(ado::Connection& connection, PutBackReport& report);

// Puts back the entries, the last change first, on an open connection.
// `stopRequested`, asked before each entry, ends the work early.
PutBackReport PutBack(ado::Connection& connection, const std::vector<UndoEntry>& entries,
                      const std::function<bool()>& stopRequested = {});

}  // namespace Run
