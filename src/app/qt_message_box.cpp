#include "app/qt_message_box.h"

#include <QMessageBox>

namespace Main {

MessageAnswer QtMessageBoxSeam::show(const MessageBoxRequest& request) {
  QMessageBox box(request.icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                  request.title, request.text,
                  request.buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                           : QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  const int answer = box.exec();
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace Main
