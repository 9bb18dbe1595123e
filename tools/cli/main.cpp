// caseloom-cli: the program's database procedures from the command line, for
// people who script. It runs the same procedures as the windows do, over
// lists held in memory.

#include <unistd.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "ado/error.h"
#include "app/message_box.h"
#include "cli_window.h"
#include "db/access.h"
#include "run/change_case_run.h"
#include "stop_signals.h"

namespace {

enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2, kNotEveryRecord = 3 };

const char* const kUsageText =
    "Usage: caseloom-cli [options] COMMAND ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  tables DB                       list the user tables\n"
    "  fields DB TABLE                 list a table's fields\n"
    "  preview DB TABLE FIELD          show the first 100 values of a field\n"
    "  convert DB TABLE FIELD... --case upper|lower|proper|sentence\n"
    "                                  change the letter case of the fields' values\n"
    "\n"
    "Options:\n"
    "  --password P    the database password (default: $CASELOOM_PASSWORD)\n"
    "  --json          print JSON instead of one line per item\n"
    "  --case MODE     the conversion of convert\n"
    "  --pauses        keep the windowed program's pauses during convert\n"
    "  --help          show this text\n"
    "\n"
    "Exit status: 0 success; 1 the database could not be read or a record could\n"
    "not be written; 2 bad usage; 3 convert ran but not every record was written;\n"
    "130 or 143 convert was stopped by SIGINT or SIGTERM (after saving the records\n"
    "converted so far; a second signal ends it at once).\n";

// Every report goes to standard error as one or two lines, and is counted.
class StderrReports final : public Main::MessageBoxSeam {
 public:
  Main::MessageAnswer show(const Main::MessageBoxRequest& request) override {
    ++count;
    QStringList lines = request.text.split(QRegularExpression("\r\n|\r|\n"));
    if (request.title == QLatin1String("Application Error") && lines.size() >= 2)
      lines = lines.mid(0, 2);
    std::fprintf(stderr, "caseloom-cli: %s\n", qUtf8Printable(lines.join(QStringLiteral("\n  "))));
    return Main::MessageAnswer::Ok;
  }
  int count = 0;
};

struct Options {
  QString password;
  bool json = false;
  bool pauses = false;
  QString caseMode;
  QStringList arguments;
};

int usageError(const QString& message) {
  std::fprintf(stderr, "caseloom-cli: %s\nTry 'caseloom-cli --help'.\n", qUtf8Printable(message));
  return kUsage;
}

void printList(const std::vector<std::u16string>& items, bool json) {
  if (json) {
    QJsonArray array;
    for (const auto& item : items) array.append(QString::fromStdU16String(item));
    std::printf("%s\n", QJsonDocument(array).toJson(QJsonDocument::Compact).constData());
    return;
  }
  for (const auto& item : items)
    std::printf("%s\n", qUtf8Printable(QString::fromStdU16String(item)));
}

std::u16string u16(const QString& s) { return s.toStdU16String(); }

int runTables(const Options& o, StderrReports&) {
  const CliBoxes boxes(u16(o.arguments[1]), u16(o.password));
  auto tables = Access::GetAccessTables(boxes.databasePath(), boxes);
  if (!tables) throw ado::Error::couldNotFindFile(o.arguments[1].toStdString());
  printList(*tables, o.json);
  return kSuccess;
}

void requireFile(const CliBoxes& boxes, const QString& path) {
  if (!Access::GetAccessTables(boxes.databasePath(), boxes))
    throw ado::Error::couldNotFindFile(path.toStdString());
}

int runFields(const Options& o, StderrReports&) {
  const CliBoxes boxes(u16(o.arguments[1]), u16(o.password));
  requireFile(boxes, o.arguments[1]);
  CliWindow window(false);
  window.tableList().add(u16(o.arguments[2]));
  Access::ListView1_Click(window, boxes);
  printList(window.fieldList().texts(), o.json);
  return kSuccess;
}

int runPreview(const Options& o, StderrReports&) {
  const CliBoxes boxes(u16(o.arguments[1]), u16(o.password));
  requireFile(boxes, o.arguments[1]);
  CliWindow window(false);
  window.tableList().add(u16(o.arguments[2]));
  window.fieldList().add(u16(o.arguments[3]));
  Access::ListView2_Click(window, boxes);
  printList(window.previewList().texts(), o.json);
  return kSuccess;
}

int runConvert(const Options& o, StderrReports& reports) {
  static const QStringList modes = {"upper", "lower", "proper", "sentence"};
  static const QStringList entries = {"UPPER CASE", "lower case", "Proper Case", "Sentence case"};
  const qsizetype mode = modes.indexOf(o.caseMode.toLower());
  if (mode < 0) return usageError("convert needs --case upper|lower|proper|sentence");
  const CliBoxes boxes(u16(o.arguments[1]), u16(o.password));
  requireFile(boxes, o.arguments[1]);
  CliWindow window(isatty(STDERR_FILENO) != 0);
  window.setCaseListText(u16(entries[mode]));
  window.tableList().add(u16(o.arguments[2]));
  for (qsizetype i = 3; i < o.arguments.size(); ++i) {
    window.fieldList().add(u16(o.arguments[i]));
    window.fieldList().setSelected(static_cast<int>(i - 3), true);
  }
  Run::RunOptions options;
  options.pauses = o.pauses;
  const StopSignals stopSignals;
  const Run::RunSummary summary = Run::PushButton4_Click(window, boxes, options);
  const int signal = StopSignals::received();
  // What the file holds: records whose change was lost were reported.
  std::fprintf(stderr, "caseloom-cli: %ld records converted", summary.converted);
  if (signal != 0) {
    std::fprintf(stderr, ", %ld left", summary.recordsLeft);
    if (summary.fieldsLeft > 0)
      std::fprintf(stderr, " and %d fields not begun", summary.fieldsLeft);
    std::fprintf(stderr, " (stopped by %s)", signal == SIGINT ? "SIGINT" : "SIGTERM");
  }
  std::fprintf(stderr, "\n");
  if (o.json) {
    QJsonObject result{{"reports", reports.count},
                       {"complete", reports.count == 0 && signal == 0},
                       {"converted", static_cast<qint64>(summary.converted)}};
    if (signal != 0) result.insert("left", static_cast<qint64>(summary.recordsLeft));
    std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
  }
  if (signal != 0) return 128 + signal;
  if (summary.outOfMemory) return kFailure;
  return reports.count == 0 ? kSuccess : kNotEveryRecord;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  Options o;
  if (const char* env = std::getenv("CASELOOM_PASSWORD")) o.password = QString::fromUtf8(env);
  const QStringList args = QCoreApplication::arguments().mid(1);
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsageText, stdout);
      return kSuccess;
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--pauses") {
      o.pauses = true;
    } else if (a == "--password" || a == "--case") {
      if (i + 1 >= args.size()) return usageError(a + " needs a value");
      (a == "--password" ? o.password : o.caseMode) = args[++i];
    } else if (a.startsWith("--password=")) {
      o.password = a.mid(11);
    } else if (a.startsWith("--case=")) {
      o.caseMode = a.mid(7);
    } else if (a.startsWith("--")) {
      return usageError("unknown option " + a);
    } else {
      o.arguments << a;
    }
  }
  if (o.arguments.isEmpty()) return usageError("no command given");

  struct Command {
    const char* name;
    qsizetype minArgs;
    qsizetype maxArgs;
    int (*run)(const Options&, StderrReports&);
  };
  static const Command commands[] = {{"tables", 2, 2, runTables},
                                     {"fields", 3, 3, runFields},
                                     {"preview", 4, 4, runPreview},
                                     {"convert", 4, 1 << 20, runConvert}};
  StderrReports reports;
  Main::SetMessageBoxSeam(&reports);
  for (const Command& c : commands) {
    if (o.arguments[0] != QLatin1String(c.name)) continue;
    if (o.arguments.size() < c.minArgs || o.arguments.size() > c.maxArgs)
      return usageError(QStringLiteral("wrong number of arguments for ") + c.name);
    try {
      return c.run(o, reports);
    } catch (const ado::Error& e) {
      std::fprintf(stderr, "caseloom-cli: %s (error %d)\n", e.description().c_str(), e.number());
      return kFailure;
    } catch (const std::bad_alloc&) {
      std::fprintf(stderr, "caseloom-cli: %s\n", ado::Error::outOfMemory().description().c_str());
      return kFailure;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "caseloom-cli: %s\n", e.what());
      return kFailure;
    }
  }
  return usageError("unknown command " + o.arguments[0]);
}
