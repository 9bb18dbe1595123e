#include "run/change_report.h"

#include <QJsonArray>
#include <algorithm>

#include "ado/constants.h"
#include "ado/recordset.h"

namespace Run {
namespace {

struct Reason {
  LeftAlone reason;
  const char* key;   // in JSON
  const char* text;  // in the text report
};

constexpr Reason kReasons[] = {{LeftAlone::Null, "null", "null"},
                               {LeftAlone::Empty, "empty", "empty"},
                               {LeftAlone::Number, "number", "number"},
                               {LeftAlone::Date, "date", "date"},
                               {LeftAlone::NotText, "notText", "not text"}};

// What a failure of the file was, in a few words.
QString FailureLabel(const ado::Error& error) {
  if (error.is(ado::ErrorKind::ObjectClosed)) return QStringLiteral("connection lost");
  if (error.is(ado::ErrorKind::OutOfMemory)) return QStringLiteral("out of memory");
  switch (error.engineKind().value_or(engine::ErrorKind::Refused)) {
    case engine::ErrorKind::ReadOnly:
      return QStringLiteral("read-only");
    case engine::ErrorKind::InUse:
      return QStringLiteral("file in use");
    case engine::ErrorKind::IoError:
      return QStringLiteral("I/O error");
    case engine::ErrorKind::Damaged:
      return QStringLiteral("damaged file");
    case engine::ErrorKind::NotFound:
      return QStringLiteral("file gone");
    default:
      return QStringLiteral("failed");
  }
}

QString q(const std::u16string& text) { return QString::fromStdU16String(text); }

QJsonValue jsonOf(const ado::Value& value) {
  return value.isText() ? QJsonValue(q(value.text())) : QJsonValue(QJsonValue::Null);
}

QString quoted(const ado::Value& value) {
  return value.isText() ? QLatin1Char('"') + q(value.text()) + QLatin1Char('"')
                        : QStringLiteral("(no value)");
}

}  // namespace

long ChangeReport::Field::filteredCount() const {
  long count = 0;
  for (const auto& [reason, records] : filtered) count += records;
  return count;
}

long ChangeReport::Field::refused() const {
  const long passed = records - changed.size() - filteredCount();
  return std::clamp(refusals, 0L, std::max(passed, 0L));
}

long ChangeReport::Field::notWritten() const {
  return std::max(failedUpdates - refusals, 0L) + undone;
}

long ChangeReport::Field::unchanged() const {
  return std::max(
      records - changed.size() - filteredCount() - refused() - notWritten() - notReached, 0L);
}

bool ChangeReport::survey(ado::Connection& connection, const QString& table,
                          const QStringList& fields, const std::function<bool()>& stopRequested) {
  for (const QString& name : fields) {
    if (stopRequested()) return false;
    ado::Recordset recordset;
    recordset.Open(
        u"SELECT `" + name.toStdU16String() + u"` FROM `" + table.toStdU16String() + u"`",
        connection, ado::adOpenStatic, ado::adLockReadOnly);
    if (find(recordset.FieldAt(0).Name())) continue;  // named twice
    Field field;
    field.table = table.toStdU16String();
    field.name = recordset.FieldAt(0).Name();
    field.records = recordset.RecordCount();
    recordset.Close();
    fields_.push_back(std::move(field));
  }
  return true;
}

void ChangeReport::judged(const std::u16string& name, std::optional<LeftAlone> reason) {
  Field* field = find(name);
  if (!field || field->judged == field->records) return;
  ++field->judged;
  if (reason) ++field->filtered[*reason];
}

ChangeReport::Field* ChangeReport::find(const std::u16string& name) {
  auto found = std::find_if(fields_.begin(), fields_.end(),
                            [&](const Field& field) { return field.name == name; });
  return found == fields_.end() ? nullptr : &*found;
}

void ChangeReport::written(const ado::TextChange& change) {
  Field* field = find(change.field);
  if (!field) return;
  field->table = change.table;
  if (field->changed.insert(change.row.page, change.row.slot) && field->examples.size() < examples_)
    field->examples.emplace_back(change.before, change.after);
}

void ChangeReport::refused(const ado::TextChange& change, const ado::Error& error) {
  // A failure of the file is no refusal of the value: the run counts it.
  if (ado::IsFileFailure(error)) return;
  Field* field = find(change.field);
  if (!field) return;
  ++field->refusals;
  if (field->refusalExamples.size() < examples_)
    field->refusalExamples.emplace_back(change.before, error.description());
}

void ChangeReport::undone(const ado::Text&, const ado::Text& name, engine::RowId row,
                          const ado::Error&) {
  Field* field = find(name);
  if (field && field->changed.erase(row.page, row.slot)) ++field->undone;
}

void ChangeReport::finish(const RunSummary& summary) {
  if (summary.endedBy) notWrittenWhy_ = FailureLabel(*summary.endedBy);
  for (Field& field : fields_) {
    long walked = 0;  // none when the run stopped before the field
    for (const FieldWalk& walk : summary.fields) {
      if (walk.field != field.name) continue;
      field.failedUpdates += walk.failed;
      walked = std::max(walked, walk.walked);
    }
    const long beyond = field.records - std::min(walked, field.records);
    // One UPDATE changes every record holding its old value, also records
    // the walk had yet to reach: those count where their change went.
    field.notReached = 0;
    field.notReached = std::min(beyond, field.unchanged());
  }
}

QJsonObject ChangeReport::toJson() const {
  QJsonArray fields;
  for (const Field& field : fields_) {
    QJsonObject leftAlone;
    for (const Reason& reason : kReasons) {
      auto count = field.filtered.find(reason.reason);
      leftAlone[reason.key] =
          static_cast<qint64>(count == field.filtered.end() ? 0 : count->second);
    }
    leftAlone["refused"] = static_cast<qint64>(field.refused());
    leftAlone["notWritten"] = static_cast<qint64>(field.notWritten());
    leftAlone["notReached"] = static_cast<qint64>(field.notReached);
    leftAlone["unchanged"] = static_cast<qint64>(field.unchanged());
    QJsonArray examples;
    for (const auto& [before, after] : field.examples)
      examples.append(QJsonObject{{"old", jsonOf(before)}, {"new", q(after)}});
    fields.append(QJsonObject{{"table", q(field.table)},
                              {"field", q(field.name)},
                              {"records", static_cast<qint64>(field.records)},
                              {"changes", static_cast<qint64>(field.changed.size())},
                              {"leftAlone", leftAlone},
                              {"examples", examples}});
  }
  return {{"fields", fields}};
}

QStringList ChangeReport::lines(bool dryRun, bool examples, bool refusals) const {
  QStringList out;
  for (const Field& field : fields_) {
    const long changes = field.changed.size();
    QString line = QStringLiteral("%1.%2: %3 of %4 records %5")
                       .arg(q(field.table), q(field.name))
                       .arg(changes)
                       .arg(field.records)
                       .arg(dryRun ? QStringLiteral("would change") : QStringLiteral("changed"));
    QStringList reasons;
    for (const Reason& reason : kReasons)
      if (auto count = field.filtered.find(reason.reason); count != field.filtered.end())
        reasons << QStringLiteral("%1 %2").arg(count->second).arg(QLatin1String(reason.text));
    if (const long refused = field.refused()) reasons << QStringLiteral("%1 refused").arg(refused);
    if (const long notWritten = field.notWritten())
      reasons << QStringLiteral("%1 not written (%2)").arg(notWritten).arg(notWrittenWhy_);
    if (field.notReached > 0) reasons << QStringLiteral("%1 not reached").arg(field.notReached);
    if (const long unchanged = field.unchanged())
      reasons << QStringLiteral("%1 unchanged").arg(unchanged);
    if (!reasons.isEmpty())
      line += QStringLiteral("; %1 left alone: %2")
                  .arg(field.records - changes)
                  .arg(reasons.join(QStringLiteral(", ")));
    out << line;
    if (examples)
      for (const auto& [before, after] : field.examples)
        out << QStringLiteral("  %1 \u2192 %2").arg(quoted(before), quoted(ado::Value(after)));
    if (refusals)
      for (const auto& [before, reason] : field.refusalExamples)
        out << QStringLiteral("  %1 refused: %2")
                   .arg(quoted(before), QString::fromStdString(reason));
  }
  return out;
}

}  // namespace Run
