#include "app/frame/program.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

namespace Main {

QString Program::folder() const { return QCoreApplication::applicationDirPath(); }

void Program::end() {
  // Every window goes at once. A run that is serving events at this moment
  // goes on to its end unseen and then returns into a loop that has been told
  // to stop: leaving in the middle of its writes could cut a page write short.
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QCoreApplication::exit(0);
}

QString Program::folderFile(const QString& suffix) const {
  QString path = QDir::toNativeSeparators(QDir::cleanPath(folder()));
  while (path.size() > 1 && path.endsWith(QDir::separator())) path.chop(1);
  return path + QDir::toNativeSeparators(suffix);
}

}  // namespace Main
