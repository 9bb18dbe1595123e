#include "app/application_title.h"

#include <QCoreApplication>

namespace Main {
namespace {
constexpr int kMaxTitleLength = 40;
QString currentTitle = kProductName;
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

void SetApplicationTitle() {
  currentTitle = ShortenedApplicationTitle(kProductName);
  if (QCoreApplication::instance()) QCoreApplication::setApplicationName(currentTitle);
}

QString ApplicationTitle() { return currentTitle; }

}  // namespace Main
