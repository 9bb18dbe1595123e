#include "db/odbc_provider.h"

#include "ado/factory.h"
#include "app/main/error_report.h"
#include "app/main/message_box.h"

namespace ODBCProvider {

const QString kFirstDownloadPage =
    QStringLiteral("https://www.microsoft.com/en-us/download/details.aspx?id=13255");
const QString kSecondDownloadPage =
    QStringLiteral("https://www.microsoft.com/en-us/download/details.aspx?id=54920");

namespace {

QString explanation() {
  const QString paragraphs[] = {
      QStringLiteral("Error #3706: Provider cannot be found. It may not be properly installed."),
      QStringLiteral("You are getting this error because:"),
      QStringLiteral("1. Microsoft Access is not installed on your computer."),
      QStringLiteral(
          "2. A set of Microsoft components to transfer data is not installed on your computer."),
      QStringLiteral("You need to download and install Microsoft Access Database Engine 2010 or "
                     "2016 to solve this problem."),
      QStringLiteral("Would you like me to open the Microsoft site now so you can do this?"),
      QStringLiteral("(If you have any further questions please email a screenshot of this error "
                     "message to ") +
          Main::kSupportAddress + QStringLiteral(")"),
  };
  QString text;
  for (const QString& p : paragraphs) {
    if (!text.isEmpty()) text += QStringLiteral("\r\n\r\n");
    text += p;
  }
  return text;
}

bool looksLikeMissingProvider(const ado::Error& error) {
  return error.number() == ado::Error::kProviderNotFound ||
         QString::fromStdString(error.description())
             .contains(QStringLiteral("provider cannot be found"), Qt::CaseInsensitive);
}

}  // namespace

bool CheckAccessProvider(const Access::DatabaseWindow& window,
                         const std::function<void(const QString& url)>& openPage) {
  // Every failure in here is absorbed: the answer is then simply false.
  try {
    auto connection = window.adoFactory().CreateConnection("ADODB.Connection");
    return true;
  } catch (const ado::Error& error) {
    if (!looksLikeMissingProvider(error)) return false;
  } catch (...) {
    return false;
  }
  try {
    const Main::MessageAnswer answer =
        Main::ShowMessageBox(window.messageBoxes(), {.title = {},
                                                     .text = explanation(),
                                                     .icon = Main::MessageIcon::None,
                                                     .buttons = Main::MessageButtons::YesNo});
    if (answer == Main::MessageAnswer::Yes) {
      openPage(kFirstDownloadPage);
      openPage(kSecondDownloadPage);
    }
  } catch (...) {
    // The probe's answer is already false; a box or page that cannot be
    // shown changes nothing about it.
  }
  return false;
}

}  // namespace ODBCProvider
