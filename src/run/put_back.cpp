#include "run/put_back.h"

#include "ado/error.h"

namespace Run {

namespace {

// Values a failed commit undid were counted as put back; the failure is the
// caller's, and ends the work.
void takeLostWrites(ado::Connection& connection, PutBackReport& report) {
  for (const auto& lost : connection.TakeLostWrites()) {
    report.putBack -= lost.records;
    report.undone += lost.records;
    if (!report.endedBy) report.endedBy = lost.cause;
  }
}

}  // namespace

PutBackReport PutBack(ado::Connection& connection, const std::vector<UndoEntry>& entries,
                      const std::function<bool()>& stopRequested) {
  PutBackReport report;
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (report.endedBy || (stopRequested && stopRequested())) {
      report.stopped = !report.endedBy;
      report.notReached = entries.rend() - entry;
      break;
    }
    // A text write cannot give a field back "no value".
    if (!entry->oldText) {
      report.failed.push_back({*entry, "The field held no value before the change."});
      continue;
    }
    std::optional<ado::Value> found;
    try {
      found = connection.ReplaceText(entry->table, entry->field, entry->row, entry->newText,
                                     *entry->oldText);
    } catch (const ado::Error& e) {
      report.failed.push_back({*entry, e.description()});
      if (ado::IsFileFailure(e)) report.endedBy = e;
      takeLostWrites(connection, report);
      continue;
    }
    takeLostWrites(connection, report);
    if (found && found->isText() && found->text() == entry->newText)
      ++report.putBack;
    else if (found && found->isText() && found->text() == *entry->oldText)
      ++report.alreadyAsBefore;
    else
      report.changedSince.push_back({*entry, found});
  }
  return report;
}

void ClosePutBack(ado::Connection& connection, PutBackReport& report) {
  try {
    connection.Close();
  } catch (const ado::Error& e) {
    if (!report.endedBy) {
      report.endedBy = e;
      report.endedAtClose = true;
    }
  }
  takeLostWrites(connection, report);
}

}  // namespace Run
