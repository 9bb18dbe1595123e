#include <QApplication>

#include "ado/factory.h"
#include "app/frame/program.h"
#include "app/frame/qt_message_box.h"
#include "app/frame/settings_store.h"
#include "app/main/local_time_zone.h"
#include "app/start_up.h"
#include "ui/common_dialog.h"
#include "ui/form1.h"

int main(int argc, char* argv[]) {
  Main::PinLocalTimeZone();
  QApplication app(argc, argv);
  // Names the user's data folder (where a copy of the sample database goes).
  QCoreApplication::setOrganizationName(QStringLiteral("Brindlecove"));
  QCoreApplication::setApplicationName(QStringLiteral("Caseloom"));
  // The seams the windows are given: the real component, boxes, dialog and
  // program.
  const ado::Factory components{};
  Main::QtMessageBoxSeam messageBoxes;
  Controls::QtFileDialog fileDialog;
  Main::Program program;
  Main::SettingsStore settings;
  Form1 form1(settings, {components, messageBoxes, fileDialog, program});
  if (Main::StartProgram(form1) == Main::StartUpOutcome::ProgramEnded) return 0;
  return QApplication::exec();
}
