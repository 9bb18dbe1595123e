#pragma once

// What a run changed in each field, or a dry run would change: the records
// changed, the records left alone and why, the first changes and the first
// refusals.

#include <QJsonObject>
#include <QStringList>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ado/connection.h"
#include "ado/write_observer.h"
#include "run/distinct_rows.h"
#include "run/value_filter.h"

namespace Run {

class ChangeReport final : public ado::WriteObserver {
 public:
  // Keeps the first `examples` changes and refusals of each field.
  explicit ChangeReport(std::size_t examples = 5) : examples_(examples) {}

  // Before the run: walks the values of each field of `table` as the run
  // will, and counts those it leaves alone, by reason.
  void survey(ado::Connection& connection, const QString& table, const QStringList& fields);

  void written(const ado::TextChange& change) override;
  void refused(const ado::TextChange& change, const ado::Error& error) override;

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
    std::vector<std::pair<ado::Value, std::u16string>> examples;
    std::vector<std::pair<ado::Value, std::string>> refusalExamples;

    long filteredCount() const;
    long refused() const;
    // Records that passed the filter and were written by nobody: their text
    // is already in the chosen case.
    long unchanged() const;
  };
  Field* find(const std::u16string& name);

  std::size_t examples_;
  std::vector<Field> fields_;
};

}  // namespace Run
