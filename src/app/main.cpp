#include <QApplication>

#include "app/message_box.h"
#include "app/qt_message_box.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  Main::QtMessageBoxSeam messageBoxes;
  Main::SetMessageBoxSeam(&messageBoxes);
  const int status = QApplication::exec();
  Main::SetMessageBoxSeam(nullptr);
  return status;
}
