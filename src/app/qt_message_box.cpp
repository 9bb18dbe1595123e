#include "app/qt_message_box.h"

#include <QMessageBox>

namespace Main {

MessageAnswer QtMessageBoxSeam::show(const MessageBoxRequest& request) {
  // The texts break lines with carriage returns, with or without a line
  // feed; a Qt label breaks only at line feeds.
  QString text = request.text;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QMessageBox box(request.icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                  request.title, text,
                  request.buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                           : QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  const int answer = box.exec();
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace Main
