#include <QApplication>

#include "app/local_time_zone.h"
#include "app/message_box.h"
#include "app/qt_message_box.h"
#include "app/settings_store.h"
#include "app/start_up.h"
#include "ui/form1.h"

int main(int argc, char* argv[]) {
  Main::PinLocalTimeZone();
  QApplication app(argc, argv);
  // Names the user's data folder (where a copy of the sample database goes).
  QCoreApplication::setOrganizationName(QStringLiteral("Brindlecove"));
  QCoreApplication::setApplicationName(QStringLiteral("Caseloom"));
  Main::QtMessageBoxSeam messageBoxes;
  Main::SetMessageBoxSeam(&messageBoxes);
  int status = 0;
  {
    Main::SettingsStore settings;
    Form1 form1(settings);
    if (Main::StartProgram(form1) != Main::StartUpOutcome::ProgramEnded)
      status = QApplication::exec();
  }
  Main::SetMessageBoxSeam(nullptr);
  return status;
}
