#include "convert_report.h"

#include <QJsonArray>
#include <algorithm>
#include <cstdio>

#include "ado/constants.h"
#include "ado/recordset.h"

namespace Cli {
namespace {

constexpr std::size_t kExamples = 5;

struct Reason {
  Run::LeftAlone reason;
  const char* key;   // in JSON
  const char* text;  // in the text report
};

constexpr Reason kReasons[] = {{Run::LeftAlone::Null, "null", "null"},
                               {Run::LeftAlone::Empty, "empty", "empty"},
                               {Run::LeftAlone::Number, "number", "number"},
                               {Run::LeftAlone::Date, "date", "date"},
                               {Run::LeftAlone::NotText, "notText", "not text"}};

// What a failure of the file was, in a few words.
QString FailureLabel(ado::ErrorKind kind) {
  switch (kind) {
    case ado::ErrorKind::ReadOnly:
      return QStringLiteral("read-only");
    case ado::ErrorKind::InUse:
      return QStringLiteral("file in use");
    case ado::ErrorKind::IoError:
      return QStringLiteral("I/O error");
    case ado::ErrorKind::Damaged:
      return QStringLiteral("damaged file");
    case ado::ErrorKind::NotFound:
      return QStringLiteral("file gone");
    case ado::ErrorKind::ObjectClosed:
      return QStringLiteral("connection lost");
    case ado::ErrorKind::OutOfMemory:
      return QStringLiteral("out of memory");
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

long ConvertReport::Field::filteredCount() const {
  long count = 0;
  for (const auto& [reason, records] : filtered) count += records;
  return count;
}

long ConvertReport::Field::refused() const {
  const long passed = records - changed.size() - filteredCount();
  return std::clamp(refusals, 0L, std::max(passed, 0L));
}

long ConvertReport::Field::notWritten() const {
  return std::max(failedUpdates - refusals, 0L) + undone;
}

long ConvertReport::Field::unchanged() const {
  return std::max(
      records - changed.size() - filteredCount() - refused() - notWritten() - notReached, 0L);
}

bool ConvertReport::survey(ado::Connection& connection, const QString& table,
                           const QStringList& fields, const std::function<bool()>& stopRequested) {
  for (const QString& name : fields) {
    ado::Recordset recordset;
    recordset.Open(
        u"SELECT `" + name.toStdU16String() + u"` FROM `" + table.toStdU16String() + u"`",
        connection, ado::adOpenStatic, ado::adLockReadOnly);
    if (find(recordset.FieldAt(0).Name())) continue;  // named twice
    Field field;
    field.table = table.toStdU16String();
    field.name = recordset.FieldAt(0).Name();
    const int type = recordset.FieldAt(0).Type();
    for (; !recordset.Eof(); recordset.MoveNext()) {
      if (stopRequested()) return false;
      ++field.records;
      const auto reason = Run::WhyLeftAlone(recordset.ValueAt(0), type);
      if (reason) ++field.filtered[*reason];
      field.passes.push_back(!reason);
    }
    recordset.Close();
    fields_.push_back(std::move(field));
  }
  return true;
}

ConvertReport::Field* ConvertReport::find(const std::u16string& name) {
  auto found = std::find_if(fields_.begin(), fields_.end(),
                            [&](const Field& field) { return field.name == name; });
  return found == fields_.end() ? nullptr : &*found;
}

void ConvertReport::written(const ado::TextChange& change) {
  Field* field = find(change.field);
  if (!field) return;
  field->table = change.table;
  if (field->changed.insert(change.row.page, change.row.slot) && field->examples.size() < kExamples)
    field->examples.emplace_back(change.before, change.after);
}

void ConvertReport::refused(const ado::TextChange& change, const ado::Error& error) {
  // A failure of the file is no refusal of the value: the run counts it.
  if (ado::IsFileFailure(error.kind())) return;
  if (Field* field = find(change.field)) ++field->refusals;
}

void ConvertReport::undone(const ado::Text&, const ado::Text& name, engine::RowId row,
                           const ado::Error&) {
  Field* field = find(name);
  if (field && field->changed.erase(row.page, row.slot)) ++field->undone;
}

void ConvertReport::finish(const Run::RunSummary& summary) {
  if (summary.endedBy) notWrittenWhy_ = FailureLabel(summary.endedBy->kind());
  for (const Run::FieldWalk& walk : summary.fields) {
    Field* field = find(walk.field);
    if (!field) continue;
    field->failedUpdates += walk.failed;
    const auto from = static_cast<std::size_t>(std::min<long>(walk.walked, field->records));
    const long beyond = std::count(field->passes.begin() + static_cast<std::ptrdiff_t>(from),
                                   field->passes.end(), true);
    // One UPDATE changes every record holding its old value, also records
    // the walk had yet to reach: those count where their change went.
    field->notReached = 0;
    field->notReached = std::min(beyond, field->unchanged());
  }
}

QJsonObject ConvertReport::toJson() const {
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

void ConvertReport::print(bool dryRun) const {
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
    std::printf("%s\n", qUtf8Printable(line));
    if (!dryRun) continue;
    for (const auto& [before, after] : field.examples)
      std::printf("  %s \u2192 %s\n", qUtf8Printable(quoted(before)),
                  qUtf8Printable(quoted(ado::Value(after))));
  }
}

}  // namespace Cli
