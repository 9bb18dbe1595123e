// caseloom-cli: the program's database procedures from the command line, for
// people who script. It runs the same procedures as the windows do, over
// lists held in memory.

#include <QCoreApplication>
#include <QJsonArray>
#include <cstdio>

#include "ado/error.h"
#include "app/main/local_time_zone.h"
#include "cli_view.h"
#include "commands.h"
#include "db/access.h"
#include "password.h"
#include "terminal.h"

namespace Cli {
namespace {

const char* const kUsageText =
    "Usage: caseloom-cli [options] COMMAND ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  tables DB                       list the user tables\n"
    "  fields DB TABLE                 list a table's fields\n"
    "  preview DB TABLE FIELD          show the first 100 values of a field\n"
    "  convert DB TABLE FIELD... --case upper|lower|proper|sentence|names\n"
    "                                  change the letter case of the fields' values\n"
    "  undo DB UNDOFILE                put back the values a convert with --undo-file\n"
    "                                  changed, where the records still hold the new ones\n"
    "\n"
    "Options:\n"
    "  --case MODE            the conversion of convert\n"
    "  --dry-run              convert or undo: change nothing; show per field how many\n"
    "                         records would change, how many would be left alone and\n"
    "                         why, and the first changes\n"
    "  --undo-file FILE       convert: first record every change in FILE (a new file),\n"
    "                         for undo\n"
    "  --exceptions FILE      convert --case names: the words in FILE (one a line or\n"
    "                         separated by spaces) are kept exactly as written there\n"
    "  --password-file FILE   read the database password from the first line of FILE\n"
    "  --password-stdin       read the database password from the first line of\n"
    "                         standard input\n"
    "  --password P           the database password; avoid it: every user of the\n"
    "                         computer can read it in the process list, and it stays\n"
    "                         in the shell history\n"
    "  --json                 print JSON instead of lines of text\n"
    "  --pauses               keep the windowed program's pauses during convert\n"
    "  --help                 show this text\n"
    "\n"
    "Without a password option the password is $CASELOOM_PASSWORD; when that is\n"
    "not set either, the file needs a password and standard input is a terminal,\n"
    "caseloom-cli asks for it without showing what is typed.\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  the database could not be opened or changed (missing, not a database,\n"
    "     wrong password, read-only, in use), a failure of the file ended the\n"
    "     run, or a file named could not be read\n"
    "  2  bad usage\n"
    "  3  convert ran but not every record was written (a dry run: would not be);\n"
    "     undo left records alone that changed since, or could not put some back\n"
    "  130, 143  convert or undo was stopped by SIGINT or SIGTERM, after saving\n"
    "     the records changed so far (a second signal ends it at once)\n"
    "\n"
    "Files with no write permission bit, or in a folder without one, are never\n"
    "changed, whoever runs the program.\n";

void printList(const std::vector<std::u16string>& items, bool json) {
  if (json) {
    QJsonArray array;
    for (const auto& item : items) array.append(QString::fromStdU16String(item));
    PrintJson(array);
    return;
  }
  for (const auto& item : items)
    std::printf("%s\n", qUtf8Printable(QString::fromStdU16String(item)));
}

int runTables(const Options& o, StderrReports& reports) {
  const CliBoxes boxes(u16(o.arguments[1]), u16(o.password), reports);
  auto tables = Access::GetAccessTables(boxes.databasePath(), boxes);
  if (!tables) throw ado::Error::couldNotFindFile(o.arguments[1].toStdString());
  printList(*tables, o.json);
  return kSuccess;
}

int runFields(const Options& o, StderrReports& reports) {
  const CliBoxes boxes(u16(o.arguments[1]), u16(o.password), reports);
  RequireFile(boxes);
  CliLists lists;
  lists.tableList().add(u16(o.arguments[2]));
  Access::ListView1_Click(lists, boxes);
  printList(lists.fieldList().texts(), o.json);
  return kSuccess;
}

int runPreview(const Options& o, StderrReports& reports) {
  const CliBoxes boxes(u16(o.arguments[1]), u16(o.password), reports);
  RequireFile(boxes);
  CliLists lists;
  lists.tableList().add(u16(o.arguments[2]));
  lists.fieldList().add(u16(o.arguments[3]));
  Access::ListView2_Click(lists, boxes);
  printList(lists.previewList().texts(), o.json);
  return kSuccess;
}

// Options that take a value, and where it goes.
QString* valueOption(const QString& name, Options& o, PasswordSource& password) {
  if (name == "--case") return &o.caseMode;
  if (name == "--undo-file") return &o.undoFile;
  if (name == "--exceptions") return &o.exceptionsFile;
  if (name == "--password" || name == "--password-file") return &password.text;
  return nullptr;
}

struct Command {
  const char* name;
  qsizetype minArgs;
  qsizetype maxArgs;
  int (*run)(const Options&, StderrReports&);
};

constexpr Command kCommands[] = {{"tables", 2, 2, runTables},
                                 {"fields", 3, 3, runFields},
                                 {"preview", 4, 4, runPreview},
                                 {"convert", 4, 1 << 20, RunConvert},
                                 {"undo", 3, 3, RunUndo}};

int run(const QStringList& args) {
  Options o;
  PasswordSource password;
  int passwordOptions = 0;
  for (qsizetype i = 0; i < args.size(); ++i) {
    QString name = args[i];
    std::optional<QString> inlineValue;
    if (name.startsWith("--") && name.contains('=')) {
      inlineValue = name.mid(name.indexOf('=') + 1);
      name = name.left(name.indexOf('='));
    }
    if (name == "--help" || name == "-h") {
      std::fputs(kUsageText, stdout);
      return kSuccess;
    } else if (name == "--json") {
      o.json = true;
    } else if (name == "--pauses") {
      o.pauses = true;
    } else if (name == "--dry-run") {
      o.dryRun = true;
    } else if (name == "--password-stdin") {
      password.from = PasswordSource::From::StandardInput;
      ++passwordOptions;
    } else if (QString* value = valueOption(name, o, password)) {
      if (!inlineValue && i + 1 >= args.size()) return UsageError(name + " needs a value");
      *value = inlineValue ? *inlineValue : args[++i];
      if (value == &password.text) {
        password.from =
            name == "--password" ? PasswordSource::From::Option : PasswordSource::From::File;
        ++passwordOptions;
      }
    } else if (name.startsWith("--")) {
      return UsageError("unknown option " + name);
    } else {
      o.arguments << args[i];
    }
  }
  if (passwordOptions > 1)
    return UsageError(
        "give the password one way only: --password-file, --password-stdin or "
        "--password");
  if (o.arguments.isEmpty()) return UsageError("no command given");
  if (password.from == PasswordSource::From::Nowhere) {
    // Qt reads the variable as UTF-16 on Windows, where getenv would give the
    // ANSI code page's bytes.
    if (qEnvironmentVariableIsSet("CASELOOM_PASSWORD")) {
      password.from = PasswordSource::From::Environment;
      password.text = qEnvironmentVariable("CASELOOM_PASSWORD");
    }
  }

  StderrReports reports;
  for (const Command& c : kCommands) {
    if (o.arguments[0] != QLatin1String(c.name)) continue;
    if (o.arguments.size() < c.minArgs || o.arguments.size() > c.maxArgs)
      return UsageError(QStringLiteral("wrong number of arguments for ") + c.name);
    try {
      const std::optional<QString> typed = ReadPassword(password, o.arguments[1]);
      if (!typed) return kFailure;
      o.password = *typed;
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
  return UsageError("unknown command " + o.arguments[0]);
}

}  // namespace
}  // namespace Cli

int main(int argc, char* argv[]) {
  Main::PinLocalTimeZone();
  QCoreApplication app(argc, argv);
  const Cli::Utf8Console console;
  return Cli::run(QCoreApplication::arguments().mid(1));
}
