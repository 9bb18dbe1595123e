#pragma once

// What a convert run changed in each field, or a dry run would change: the
// records changed, the records left alone and why, and the first changes.

#include <QJsonObject>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ado/connection.h"
#include "ado/write_observer.h"
#include "run/change_case_run.h"
#include "run/distinct_rows.h"
#include "run/value_filter.h"

namespace Run {

class ChangeReport final : public ado::WriteObserver, public WalkObserver {
 public:
  // Keeps the first `examples` changes and refusals of each field.
  explicit ChangeReport(std::size_t examples = 5) : examples_(examples) {}

  // Before the run: counts the records of each field of `table`. The run
  // then tells the report why it leaves each record it reaches alone.
  // Ends early, returning false, when `stopRequested` says so.
  [[nodiscard]] bool survey(ado::Connection& connection, const QString& table,
                            const QStringList& fields, const std::function<bool()>& stopRequested);

  void judged(const std::u16string& field, std::optional<LeftAlone> reason) override;
  void written(const ado::TextChange& change) override;
  void refused(const ado::TextChange& change, const ado::Error& error) override;
  void undone(const ado::Text& table, const ado::Text& field, engine::RowId row,
              const ado::Error& error) override;
  // After the run: the records it did not reach, and those whose UPDATE
  // failed for another reason than a refusal of the value.
  void finish(const RunSummary& summary);

  // {"fields": [{"table", "field", "records", "changes", "leftAlone": {...},
  // "examples": [{"old", "new"}]}]}
  QJsonObject toJson() const;
  // One line per field; under it, indented, the first changes as old → new
  // when `examples`, and the first refusals with their reasons when
  // `refusals`.
  QStringList lines(bool dryRun, bool examples, bool refusals = false) const;

 private:
  struct Field {
    std::u16string table;
    std::u16string name;
    long records = 0;
    std::map<LeftAlone, long> filtered;
    DistinctRows changed;
    // A refusal stops the record's statement, so each is one record of the
    // walk left alone.
    long refusals = 0;
    // Records whose verdict the run gave; a field named twice is judged once.
    long judged = 0;
    long failedUpdates = 0;  // records whose UPDATE failed, refusals included
    long undone = 0;         // written, then undone by a failed commit
    long notReached = 0;     // records the run did not reach, nor any UPDATE changed
    std::vector<std::pair<ado::Value, std::u16string>> examples;
    std::vector<std::pair<ado::Value, std::string>> refusalExamples;

    long filteredCount() const;
    long refused() const;
    // Records the run tried to change whose change the file does not hold.
    long notWritten() const;
    // Records that passed the filter and were written by nobody: their text
    // is already in the chosen case.
    long unchanged() const;
  };
  Field* find(const std::u16string& name);

  std::size_t examples_;
  std::vector<Field> fields_;
  QString notWrittenWhy_ = QStringLiteral("failed");
};

}  // namespace Run
