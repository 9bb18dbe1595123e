#include "app/frame/program_folder.h"

#include <QCoreApplication>
#include <QDir>

namespace Main {
namespace {
QString folderOverride;  // empty: the folder of the running program
}

QString ProgramFolder() {
  QString folder =
      folderOverride.isEmpty() ? QCoreApplication::applicationDirPath() : folderOverride;
  folder = QDir::toNativeSeparators(QDir::cleanPath(folder));
  while (folder.size() > 1 && folder.endsWith(QDir::separator())) folder.chop(1);
  return folder;
}

QString ProgramFolderFile(const QString& suffix) {
  return ProgramFolder() + QDir::toNativeSeparators(suffix);
}

ScopedProgramFolder::ScopedProgramFolder(const QString& folder) : previous_(folderOverride) {
  folderOverride = folder;
}

ScopedProgramFolder::~ScopedProgramFolder() { folderOverride = previous_; }

}  // namespace Main
