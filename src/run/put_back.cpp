#include "run/put_back.h"

#include "ado/error.h"

namespace Run {

PutBackReport PutBack(ado::Connection& connection, const std::vector<UndoEntry>& entries) {
  PutBackReport report;
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
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
      continue;
    }
    if (found && found->isText() && found->text() == entry->newText)
      ++report.putBack;
    else if (found && found->isText() && found->text() == *entry->oldText)
      ++report.alreadyAsBefore;
    else
      report.changedSince.push_back({*entry, found});
  }
  return report;
}

}  // namespace Run
