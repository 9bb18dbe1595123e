#pragma once

// What every window test sets up: a program folder and a settings file of
// its own under a temporary folder, message boxes recorded instead of shown,
// the file dialog answered, the component of the test, and the program's end
// counted instead of done.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/frame/program.h"
#include "app/frame/settings_store.h"
#include "support/message_recorder.h"
#include "support/test_factory.h"
#include "ui/common_dialog.h"
#include "ui/window_seams.h"

namespace uitest {

// Answers the file dialog with a chosen path (cancels with none) and records
// what it was asked.
class FileDialogAnswer final : public Controls::FileDialogSeam {
 public:
  QString showOpen(const Controls::CommonDialog& dialog, QWidget*) override {
    asked.push_back(dialog);
    return answer;
  }
  QString answer;
  std::vector<Controls::CommonDialog> asked;
};

// The program in a folder of the test's, whose end is counted.
class TestProgram final : public Main::Program {
 public:
  QString folder() const override { return folderPath; }
  void end() override { ++ends; }
  QString folderPath;
  int ends = 0;
};

class Fixture {
 public:
  Fixture() : settingsFile_(root_.filePath(QStringLiteral("config/Brindlecove.ini"))) {
    program.folderPath = root_.filePath(QStringLiteral("program"));
    QDir().mkpath(program.folderPath);
    // The user's data folder (the sample's copy, the undo files) lies under
    // the test's folder. Windows takes it from the shell, not from the
    // environment: there Qt's test folder stands in, emptied for each test.
#ifdef Q_OS_WIN
    QStandardPaths::setTestModeEnabled(true);
    // Test programs run side by side: each gets a folder of its own (the
    // start-up renames the application, so the organisation tells them apart).
    QCoreApplication::setOrganizationName(
        QStringLiteral("caseloom-test-%1").arg(QCoreApplication::applicationPid()));
    QDir(dataFolder()).removeRecursively();
#else
    qputenv("XDG_DATA_HOME", root_.filePath(QStringLiteral("data")).toUtf8());
#endif
    settings = std::make_unique<Main::SettingsStore>(settingsFile_);
  }
  ~Fixture() {
#ifdef Q_OS_WIN
    QDir(dataFolder()).removeRecursively();
#endif
  }
  Fixture(const Fixture&) = delete;
  Fixture& operator=(const Fixture&) = delete;

  // The program's data folder, with '/' separators.
  static QString dataFolder() {
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
  }

  QString programFolder() const { return root_.filePath(QStringLiteral("program")); }
  QString settingsFile() const { return settingsFile_; }
  QString path(const QString& relative) const { return root_.filePath(relative); }

  // Puts the build's hand pointer beside the program.
  bool addHandPointer() const {
    return QFile::copy(QStringLiteral(CASELOOM_BUILD_PROGRAM_DIR "/HAND-M.CUR"),
                       programFolder() + QStringLiteral("/HAND-M.CUR"));
  }

  // Writes `contents` to `relative` under the program folder.
  bool addProgramFile(const QString& relative, const QByteArray& contents) const {
    const QString file = programFolder() + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(contents) == contents.size();
  }

  // Settings as a fresh start of the program would read them.
  std::unique_ptr<Main::SettingsStore> reopenSettings() const {
    return std::make_unique<Main::SettingsStore>(settingsFile_);
  }

  // The seams the windows are given.
  WindowSeams seams() { return {components, boxes, fileDialog, program}; }

  testsupport::MessageRecorder boxes;
  testsupport::TestFactory components;
  FileDialogAnswer fileDialog;
  TestProgram program;
  // How often the program was ended.
  const int& programEnds = program.ends;
  std::unique_ptr<Main::SettingsStore> settings;

 private:
  QTemporaryDir root_;
  QString settingsFile_;
};

// Moves the mouse, with no button held, to the middle of `widget`, as the
// window system would deliver it.
inline void moveOver(QWidget& widget) {
  const QPointF centre = QRectF(widget.rect()).center();
  QMouseEvent move(QEvent::MouseMove, centre, widget.mapToGlobal(centre), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&widget, &move);
}

}  // namespace uitest
