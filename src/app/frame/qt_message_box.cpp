#include "app/frame/qt_message_box.h"

namespace Main {

std::unique_ptr<QMessageBox> QtMessageBoxSeam::makeBox(const MessageBoxRequest& request) {
  // The texts break lines with carriage returns, with or without a line
  // feed; a Qt label breaks only at line feeds.
  QString text = request.text;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
      .replace(QLatin1Char('\r'), QLatin1Char('\n'));
  auto box = std::make_unique<QMessageBox>(
      request.icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
      request.title, QString(),
      request.buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                               : QMessageBox::Ok);
  box->setTextFormat(Qt::PlainText);
  box->setText(text);
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}

MessageAnswer QtMessageBoxSeam::show(const MessageBoxRequest& request) {
  const int answer = makeBox(request)->exec();
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace Main
