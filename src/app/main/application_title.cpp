#include "app/main/application_title.h"

#include <QCoreApplication>

#include "app/main/message_box.h"

namespace Main {
namespace {
constexpr int kMaxTitleLength = 40;
}  // namespace

QString ShortenedApplicationTitle(const QString& productName) {
  QString title = productName;
  do {
    const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
    if (blank < 0) break;
    title.truncate(blank);
  } while (title.size() > kMaxTitleLength);
  if (title.size() > kMaxTitleLength) title.truncate(kMaxTitleLength);
  return title;
}

void SetApplicationTitle(MessageBoxSeam& boxes) {
  const QString title = ShortenedApplicationTitle(kProductName);
  boxes.setApplicationTitle(title);
  QCoreApplication::setApplicationName(title);
}

}  // namespace Main
