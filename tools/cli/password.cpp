#include "password.h"

#include <QFile>
#include <cstdio>

#include "ado/connection.h"
#include "ado/error.h"
#include "cli_view.h"
#include "db/access.h"
#include "terminal.h"

namespace Cli {
namespace {

void say(const QString& message) {
  std::fprintf(stderr, "caseloom-cli: %s\n", qUtf8Printable(message));
}

QString firstLine(QByteArray bytes) {
  const qsizetype end = bytes.indexOf('\n');
  if (end >= 0) bytes.truncate(end);
  if (bytes.endsWith('\r')) bytes.chop(1);
  return QString::fromUtf8(bytes);
}

// Whether the database refuses to open without a password.
bool needsPassword(const QString& databasePath) {
  Main::StandardErrorBoxes noReports;
  const CliBoxes boxes(databasePath.toStdU16String(), {}, noReports);
  try {
    const auto connection = boxes.adoFactory().CreateConnection();
    connection->Open(Access::AccessConnectionString(boxes));
    connection->Close();
  } catch (const ado::Error& e) {
    return e.number() == ado::Error::kNotValidPassword;
  }
  return false;
}

}  // namespace

std::optional<QString> ReadPassword(const PasswordSource& source, const QString& databasePath) {
  using From = PasswordSource::From;
  switch (source.from) {
    case From::Option:
    case From::Environment:
      return source.text;
    case From::File: {
      QFile file(source.text);
      if (!file.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("cannot read the password file '%1': %2")
                .arg(source.text, file.errorString()));
        return std::nullopt;
      }
      return firstLine(file.readAll());
    }
    case From::StandardInput:
      if (auto line = ReadLine()) return QString::fromStdString(*line);
      say(QStringLiteral("--password-stdin: standard input holds no line"));
      return std::nullopt;
    case From::Nowhere:
      break;
  }
  if (!StandardInputIsTerminal() || !needsPassword(databasePath)) return QString();
  const auto typed = ReadHiddenLine("Password for " + databasePath.toStdString() + ": ");
  return typed ? QString::fromStdString(*typed) : QString();
}

}  // namespace Cli
