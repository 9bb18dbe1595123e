#include "app/main/error_report.h"

#include "app/main/message_box.h"

namespace Main {

QString ApplicationErrorText(const QString& description, const QString& location, int label) {
  return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
         QString::number(label) + QStringLiteral("\r\r") +
         QStringLiteral("Please email screenshot of this message to ") + kSupportAddress;
}

void ShowApplicationError(MessageBoxSeam& boxes, const QString& description,
                          const QString& location, int label) {
  ShowMessageBox(boxes, {.title = QStringLiteral("Application Error"),
                         .text = ApplicationErrorText(description, location, label),
                         .icon = MessageIcon::Warning,
                         .buttons = MessageButtons::Ok});
}

}  // namespace Main
