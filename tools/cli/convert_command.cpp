// convert: the change-case run over lists in memory, with an optional undo
// file, or as a dry run in a scratch folder that shows what it would change.

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <csignal>
#include <cstdio>
#include <optional>

#include "ado/connection.h"
#include "case/case.h"
#include "case/name_case.h"
#include "commands.h"
#include "engine/scratch_folder.h"
#include "run/change_case_run.h"
#include "run/change_report.h"
#include "run/undo_file.h"
#include "stop_signals.h"
#include "terminal.h"

namespace Cli {
namespace {

// The report and the undo file both hear of every write.
class TwoObservers final : public ado::WriteObserver {
 public:
  TwoObservers(ado::WriteObserver& first, ado::WriteObserver* second)
      : first_(first), second_(second) {}
  void writing(const ado::TextChange& change) override {
    first_.writing(change);
    if (second_) second_->writing(change);
  }
  void written(const ado::TextChange& change) override {
    first_.written(change);
    if (second_) second_->written(change);
  }
  void refused(const ado::TextChange& change, const ado::Error& error) override {
    first_.refused(change, error);
    if (second_) second_->refused(change, error);
  }
  void undone(const ado::Text& table, const ado::Text& field, engine::RowId row,
              const ado::Error& error) override {
    first_.undone(table, field, row, error);
    if (second_) second_->undone(table, field, row, error);
  }
  void committing() override {
    first_.committing();
    if (second_) second_->committing();
  }

 private:
  ado::WriteObserver& first_;
  ado::WriteObserver* second_;
};

}  // namespace

int RunConvert(const Options& o, StderrReports& reports) {
  // From here on a stop signal lets what is open close cleanly.
  const StopSignals stopSignals;
  static const QStringList modes = {"upper", "lower", "proper", "sentence", "names"};
  // The case list's entries, as the undo file names the case.
  static const QStringList entries = {"UPPER CASE", "lower case", "Proper Case", "Sentence case",
                                      "Name Case"};
  static constexpr Case::CaseMode kModes[] = {Case::CaseMode::Upper, Case::CaseMode::Lower,
                                              Case::CaseMode::Proper, Case::CaseMode::Sentence,
                                              Case::CaseMode::Names};
  const qsizetype mode = modes.indexOf(o.caseMode.toLower());
  if (mode < 0) return UsageError("convert needs --case upper|lower|proper|sentence|names");
  if (!o.exceptionsFile.isEmpty() && modes[mode] != "names")
    return UsageError("--exceptions goes with --case names");
  Case::NameExceptions nameExceptions;
  if (!o.exceptionsFile.isEmpty()) {
    QFile file(o.exceptionsFile);
    if (!file.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "caseloom-cli: cannot read the exceptions file '%s': %s\n",
                   qUtf8Printable(o.exceptionsFile), qUtf8Printable(file.errorString()));
      return kFailure;
    }
    nameExceptions =
        Case::NameExceptions(Case::ExceptionWords(u16(QString::fromUtf8(file.readAll()))));
  }
  if (o.dryRun && !o.undoFile.isEmpty())
    return UsageError("a dry run changes nothing, so it takes no --undo-file");
  const QString& path = o.arguments[1];
  const QString& table = o.arguments[2];
  const QStringList fields = o.arguments.mid(3);
  const CliBoxes boxes(u16(path), u16(o.password), reports);
  RequireFile(boxes);
  if (StopSignals::received() != 0) return StoppedBeforeChanging();

  // A dry run changes a copy in memory: the file, its times and its lock
  // file stay as they are.
  std::unique_ptr<engine::FileSystem> scratch;
  if (o.dryRun) scratch = engine::makeScratchFolder(engine::diskFileSystem());
  Run::ChangeReport report;
  {
    auto connection = OpenForWriting(boxes, scratch.get());
    const bool surveyed =
        report.survey(*connection, table, fields, [] { return StopSignals::received() != 0; });
    connection->Close();
    if (!surveyed) return StoppedBeforeChanging();
  }

  std::optional<Run::UndoFileWriter> undo;
  if (!o.undoFile.isEmpty())
    undo.emplace(engine::diskFileSystem(), o.undoFile.toStdString(),
                 Run::UndoHeader{u16(QFileInfo(path).absoluteFilePath()), u16(entries[mode]),
                                 u16(QDateTime::currentDateTimeUtc().toString(Qt::ISODate))});
  if (StopSignals::received() != 0) return StoppedBeforeChanging();
  TwoObservers observers(report, undo ? &*undo : nullptr);

  Run::ChangeCaseRequest request{.table = u16(table),
                                 .fields = {},
                                 .noFieldListed = false,
                                 .mode = kModes[mode],
                                 .options = {.pauses = o.pauses,
                                             .pauseEnvironment = nullptr,
                                             .writeObserver = &observers,
                                             .walkObserver = &report,
                                             .nameExceptions = nameExceptions,
                                             .folder = scratch.get()}};
  for (const QString& field : fields) request.fields.push_back(u16(field));
  CliProgress progress(StandardErrorIsTerminal());
  const Run::RunSummary summary = Run::ChangeCase(request, progress, boxes);
  report.finish(summary);
  const int signal = StopSignals::received();
  // What the file holds.
  if (summary.endedBy) {
    std::fprintf(stderr,
                 "caseloom-cli: the run ended at that failure of the file, and nothing more was "
                 "written; %ld records converted.\n",
                 summary.converted);
  } else if (!o.dryRun || signal != 0) {
    std::fprintf(stderr, "caseloom-cli: %ld records converted", summary.converted);
    if (signal != 0) {
      std::fprintf(stderr, ", %ld left", summary.recordsLeft);
      if (summary.fieldsLeft > 0)
        std::fprintf(stderr, " and %d fields not begun", summary.fieldsLeft);
      std::fprintf(stderr, " (stopped by %s)", signal == SIGINT ? "SIGINT" : "SIGTERM");
    }
    std::fprintf(stderr, "\n");
  }

  if (o.json) {
    QJsonObject result = report.toJson();
    result["dryRun"] = o.dryRun;
    result["reports"] = reports.count;
    result["complete"] = reports.count == 0 && signal == 0 && !summary.endedBy;
    result["converted"] = static_cast<qint64>(summary.converted);
    if (summary.endedBy) result["endedBy"] = QString::fromStdString(summary.endedBy->description());
    if (signal != 0) result["left"] = static_cast<qint64>(summary.recordsLeft);
    if (undo) {
      result["undoFile"] = o.undoFile;
      result["undoEntries"] = static_cast<qint64>(undo->entries());
    }
    PrintJson(result);
  } else {
    for (const QString& line : report.lines(o.dryRun, o.dryRun))
      std::printf("%s\n", qUtf8Printable(line));
    if (undo)
      std::printf("The undo file '%s' records %ld changes; 'caseloom-cli undo' puts them back.\n",
                  qUtf8Printable(o.undoFile), undo->entries());
  }
  if (signal != 0) return 128 + signal;
  if (StopSignals::received() != 0) return StoppedAfterChanging();
  if (summary.outOfMemory || summary.endedBy) return kFailure;
  return reports.count == 0 ? kSuccess : kNotEveryRecord;
}

}  // namespace Cli
