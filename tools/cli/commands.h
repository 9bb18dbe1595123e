#pragma once

// The commands of caseloom-cli and what they share: the parsed options, the
// exit statuses and the reports of the procedures they run.

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "ado/connection.h"
#include "app/main/message_box.h"
#include "cli_view.h"

namespace Cli {

enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2, kNotEveryRecord = 3 };

struct Options {
  QString password;
  bool json = false;
  bool pauses = false;
  bool dryRun = false;
  QString caseMode;
  QString undoFile;
  QString exceptionsFile;  // the words Name Case keeps as written
  QStringList arguments;   // the command, then its arguments
};

// Every report of a procedure goes to standard error as one or two lines,
// and is counted.
class StderrReports final : public Main::MessageBoxSeam {
 public:
  Main::MessageAnswer show(const Main::MessageBoxRequest& request) override;
  int count = 0;
};

// Says what is wrong with the command line; returns kUsage.
int UsageError(const QString& message);
// Prints one JSON value on a line of standard output.
void PrintJson(const QJsonValue& value);

inline std::u16string u16(const QString& text) { return text.toStdU16String(); }

// Throws "Could not find file" when the database does not exist; opening
// it tests the password.
void RequireFile(const CliBoxes& boxes);
// A connection that may change the database, found in `folder` (a dry
// run's scratch copy) or, without one, on the disk. A file the user may not
// change is refused here, before anything changes.
std::unique_ptr<ado::Connection> OpenForWriting(const CliBoxes& boxes,
                                                engine::FileSystem* folder = nullptr);

int RunConvert(const Options& options, StderrReports& reports);
int RunUndo(const Options& options, StderrReports& reports);

}  // namespace Cli
