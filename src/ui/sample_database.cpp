#include "ui/sample_database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <stdexcept>

#include "app/frame/program.h"

namespace Controls {
namespace {

const QString kSampleSuffix = QStringLiteral("/Samples/sample.mdb");

std::runtime_error copyFailure(const QString& from, const QString& to) {
  return std::runtime_error("The sample database " + from.toStdString() +
                            " could not be copied to " + to.toStdString() + ".");
}

}  // namespace

bool IsWritableFile(const QString& path) { return QFileInfo(path).isWritable(); }

QString SampleDatabasePath(const Main::Program& program, const WritableTest& writable) {
  const QString beside = program.folderFile(kSampleSuffix);
  if (!QFileInfo::exists(beside) || writable(beside)) return beside;

  // Case changes are written into the file itself, so the user needs a copy
  // of their own.
  const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  const QString copy = QDir::cleanPath(dataFolder + kSampleSuffix);
  if (!QFileInfo::exists(copy)) {
    if (!QDir().mkpath(QFileInfo(copy).absolutePath()) || !QFile::copy(beside, copy) ||
        !QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner))
      throw copyFailure(beside, copy);
  }
  return QDir::toNativeSeparators(copy);
}

}  // namespace Controls
