#include "commands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cstdio>

#include "ado/constants.h"
#include "ado/error.h"
#include "db/access.h"
#include "engine/database.h"

namespace Cli {

Main::MessageAnswer StderrReports::show(const Main::MessageBoxRequest& request) {
  ++count;
  QStringList lines = request.text.split(QRegularExpression("\r\n|\r|\n"));
  if (request.title == QLatin1String("Application Error") && lines.size() >= 2)
    lines = lines.mid(0, 2);
  std::fprintf(stderr, "caseloom-cli: %s\n", qUtf8Printable(lines.join(QStringLiteral("\n  "))));
  return Main::MessageAnswer::Ok;
}

int UsageError(const QString& message) {
  std::fprintf(stderr, "caseloom-cli: %s\nTry 'caseloom-cli --help'.\n", qUtf8Printable(message));
  return kUsage;
}

void PrintJson(const QJsonValue& value) {
  const QJsonDocument document =
      value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
  std::printf("%s\n", document.toJson(QJsonDocument::Compact).constData());
}

void RequireFile(const CliBoxes& boxes) {
  if (!Access::GetAccessTables(boxes.databasePath(), boxes))
    throw ado::Error::couldNotFindFile(
        QString::fromStdU16String(boxes.databasePath()).toStdString());
}

std::unique_ptr<ado::Connection> OpenForWriting(const CliBoxes& boxes, engine::FileSystem* folder) {
  auto connection = boxes.adoFactory().CreateConnection();
  connection->SetMode(ado::adModeReadWrite);
  connection->SetFolder(folder);
  connection->Open(Access::AccessConnectionString(boxes));
  if (!connection->database().writable()) throw ado::Error::readOnly();
  return connection;
}

}  // namespace Cli
