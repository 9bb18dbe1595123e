#pragma once

// Taking back the changes an undo file holds (undo_file.h): each record that
// still holds the new text gets its old text again, through the connection
// and so through the engine's journal like any change. Records changed
// since are left as they are and listed.

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
};

// Puts back the entries, the last change first, on an open connection.
PutBackReport PutBack(ado::Connection& connection, const std::vector<UndoEntry>& entries);

}  // namespace Run
