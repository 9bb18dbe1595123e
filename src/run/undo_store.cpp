#include "run/undo_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <map>
#include <vector>

#include "ado/connection.h"
#include "ado/constants.h"
#include "ado/error.h"
#include "ado/factory.h"
#include "db/access.h"
#include "engine/database.h"
#include "run/undo_file.h"

namespace Run {
namespace {

const QString kSuffix = QStringLiteral(".undo");
// Sorts as the time it names.
const QString kTimeFormat = QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'");

QString absolute(const QString& database) { return QFileInfo(database).absoluteFilePath(); }

// "Customers.accdb-1a2b3c4d-": every undo file of the database begins so.
QString prefixOf(const QString& database) {
  const QString path = absolute(database);
  const QByteArray digest =
      QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(8);
  return QFileInfo(path).fileName() + QLatin1Char('-') + QString::fromLatin1(digest) +
         QLatin1Char('-');
}

// The time a file's name gives, and the database part before it.
struct Named {
  QString prefix;
  QDateTime time;
};

std::optional<Named> parse(const QString& name) {
  if (!name.endsWith(kSuffix)) return std::nullopt;
  const QString stem = name.chopped(kSuffix.size());
  const qsizetype dash = stem.lastIndexOf(QLatin1Char('-'));
  if (dash < 0) return std::nullopt;
  QDateTime time = QDateTime::fromString(stem.mid(dash + 1), kTimeFormat);
  if (!time.isValid()) return std::nullopt;
  time.setTimeSpec(Qt::UTC);
  return Named{stem.left(dash + 1), time};
}

}  // namespace

QString UndoStore::DefaultFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
         QStringLiteral("/Undo");
}

QString UndoStore::newFile(const QString& database, const QDateTime& now) const {
  QDir().mkpath(folder_);
  return QDir(folder_).filePath(prefixOf(database) + now.toUTC().toString(kTimeFormat) + kSuffix);
}

std::optional<QString> UndoStore::lastRunOf(const QString& database) const {
  const QString prefix = prefixOf(database);
  const QStringList names = QDir(folder_).entryList({prefix + QLatin1Char('*') + kSuffix},
                                                    QDir::Files, QDir::Name | QDir::Reversed);
  for (const QString& name : names)
    if (parse(name)) return QDir(folder_).filePath(name);
  return std::nullopt;
}

void UndoStore::prune(const QDateTime& now) const {
  const QDateTime oldest = now.addDays(-kKeptDays);
  std::map<QString, int> kept;  // by database
  const QStringList names = QDir(folder_).entryList({QLatin1Char('*') + kSuffix}, QDir::Files,
                                                    QDir::Name | QDir::Reversed);
  for (const QString& name : names) {
    const auto named = parse(name);
    if (!named) continue;  // not one of ours
    if (named->time < oldest || ++kept[named->prefix] > kKeptPerDatabase)
      QFile::remove(QDir(folder_).filePath(name));
  }
}

std::unique_ptr<UndoFileWriter> UndoStore::startRun(const QString& database,
                                                    const QString& caseName,
                                                    const QDateTime& now) const {
  return std::make_unique<UndoFileWriter>(
      engine::diskFileSystem(), newFile(database, now).toStdString(),
      UndoHeader{absolute(database).toStdU16String(), caseName.toStdU16String(),
                 now.toUTC().toString(Qt::ISODate).toStdU16String()});
}

std::optional<UndoneRun> UndoLastRun(const UndoStore& store, const Access::DatabaseWindow& boxes) {
  const QString database = QString::fromStdU16String(boxes.databasePath());
  const std::optional<QString> file = store.lastRunOf(database);
  if (!file) return std::nullopt;
  const UndoFile undo = ReadUndoFile(engine::diskFileSystem(), file->toStdString());
  const auto connection = boxes.adoFactory().CreateConnection();
  connection->SetMode(ado::adModeReadWrite);
  connection->Open(Access::AccessConnectionString(boxes));
  if (!connection->database().writable()) throw ado::Error::readOnly();
  UndoneRun undone{*file, PutBack(*connection, undo.entries)};
  connection->Close();
  if (undone.report.failed.empty()) QFile::remove(*file);
  return undone;
}

}  // namespace Run
