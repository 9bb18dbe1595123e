// undo: puts back the old values an undo file of convert holds, where the
// records still hold the new ones.

#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>
#include <optional>

#include "ado/factory.h"
#include "commands.h"
#include "engine/scratch_folder.h"
#include "run/put_back.h"
#include "stop_signals.h"

namespace Cli {
namespace {

QString q(const std::u16string& text) { return QString::fromStdU16String(text); }

QJsonObject whereJson(const Run::UndoEntry& entry) {
  return {{"table", q(entry.table)},
          {"field", q(entry.field)},
          {"page", static_cast<qint64>(entry.row.page)},
          {"row", entry.row.slot}};
}

QString whereText(const Run::UndoEntry& entry) {
  return QStringLiteral("%1.%2 (page %3, row %4)")
      .arg(q(entry.table), q(entry.field))
      .arg(entry.row.page)
      .arg(entry.row.slot);
}

QJsonValue foundJson(const std::optional<ado::Value>& found) {
  if (found && found->isText()) return q(found->text());
  return QJsonValue::Null;
}

QString foundText(const Run::PutBackReport::Skipped& skipped) {
  if (!skipped.found) return QStringLiteral("the record is gone");
  const QString expected = q(skipped.entry.newText);
  if (!skipped.found->isText()) return QStringLiteral("holds no value, not \"%1\"").arg(expected);
  return QStringLiteral("holds \"%1\", not \"%2\"").arg(q(skipped.found->text()), expected);
}

void printJson(const Run::PutBackReport& report, bool dryRun, bool cutShort) {
  QJsonArray changedSince, failed;
  for (const auto& skipped : report.changedSince) {
    QJsonObject item = whereJson(skipped.entry);
    item["expected"] = q(skipped.entry.newText);
    item["found"] = foundJson(skipped.found);
    item["gone"] = !skipped.found.has_value();
    changedSince.append(item);
  }
  for (const auto& failure : report.failed) {
    QJsonObject item = whereJson(failure.entry);
    item["error"] = QString::fromStdString(failure.description);
    failed.append(item);
  }
  PrintJson(QJsonObject{{"dryRun", dryRun},
                        {"putBack", static_cast<qint64>(report.putBack)},
                        {"alreadyAsBefore", static_cast<qint64>(report.alreadyAsBefore)},
                        {"changedSince", changedSince},
                        {"failed", failed},
                        {"cutShort", cutShort}});
}

void printText(const Run::PutBackReport& report, bool dryRun) {
  std::printf("%s %ld values; %ld already as before.\n", dryRun ? "Would put back" : "Put back",
              report.putBack, report.alreadyAsBefore);
  if (!report.changedSince.empty())
    std::printf("Left alone %zu records that changed since:\n", report.changedSince.size());
  for (const auto& skipped : report.changedSince)
    std::printf("  %s: %s\n", qUtf8Printable(whereText(skipped.entry)),
                qUtf8Printable(foundText(skipped)));
  if (!report.failed.empty()) std::printf("Could not put back %zu values:\n", report.failed.size());
  for (const auto& failure : report.failed)
    std::printf("  %s: %s\n", qUtf8Printable(whereText(failure.entry)),
                failure.description.c_str());
}

}  // namespace

int RunUndo(const Options& o, StderrReports& reports) {
  // From here on a stop signal lets what is open close cleanly.
  const StopSignals stopSignals;
  const QString& path = o.arguments[1];
  const std::string undoPath = o.arguments[2].toStdString();
  const CliBoxes boxes(u16(path), u16(o.password), reports);
  RequireFile(boxes);
  const Run::UndoFile undo = Run::ReadUndoFile(engine::diskFileSystem(), undoPath);
  if (undo.cutShort)
    std::fprintf(stderr,
                 "caseloom-cli: the undo file '%s' ends in a line cut short (the run was "
                 "interrupted); the changes before it are taken back.\n",
                 undoPath.c_str());

  std::unique_ptr<engine::FileSystem> scratch;
  if (o.dryRun) scratch = engine::makeScratchFolder(engine::diskFileSystem());
  if (StopSignals::received() != 0) return StoppedBeforeChanging();
  auto connection = OpenForWriting(boxes, scratch.get());
  Run::PutBackReport report =
      Run::PutBack(*connection, undo.entries, [] { return StopSignals::received() != 0; });
  Run::ClosePutBack(*connection, report);

  if (o.json)
    printJson(report, o.dryRun, undo.cutShort);
  else
    printText(report, o.dryRun);
  if (report.endedBy) {
    // A failure in the middle of the list is the last line of `failed`; one
    // at the last commit is said here.
    if (report.endedAtClose)
      std::fprintf(stderr, "caseloom-cli: %s\n", report.endedBy->description().c_str());
    std::fprintf(stderr,
                 "caseloom-cli: the undo ended at that failure of the file, and nothing more was "
                 "written; %ld values put back, %ld not reached.\n",
                 report.putBack, report.notReached);
    return kFailure;
  }
  if (report.stopped) {
    std::fprintf(stderr, "caseloom-cli: %ld values put back, %ld not reached.\n", report.putBack,
                 report.notReached);
    return 128 + StopSignals::received();
  }
  if (StopSignals::received() != 0) return StoppedAfterChanging();
  return report.changedSince.empty() && report.failed.empty() ? kSuccess : kNotEveryRecord;
}

}  // namespace Cli
