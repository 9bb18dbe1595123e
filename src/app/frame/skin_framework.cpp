#include "app/frame/skin_framework.h"

#include <QFile>
#include <QWidget>
#include <stdexcept>

namespace Main {
namespace {

std::runtime_error skinFailure(const QString& path, const char* reason) {
  return std::runtime_error("The skin file " + path.toStdString() +
                            " could not be loaded: " + reason);
}

}  // namespace

bool IsWellFormedStyleSheet(const QString& sheet) {
  int depth = 0;
  int rules = 0;
  QChar quote;
  for (qsizetype i = 0; i < sheet.size(); ++i) {
    const QChar c = sheet[i];
    if (!quote.isNull()) {
      if (c == QLatin1Char('\\'))
        ++i;
      else if (c == quote)
        quote = QChar();
      continue;
    }
    if (c == QLatin1Char('/') && i + 1 < sheet.size() && sheet[i + 1] == QLatin1Char('*')) {
      const qsizetype end = sheet.indexOf(QStringLiteral("*/"), i + 2);
      if (end < 0) return false;
      i = end + 1;
    } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      quote = c;
    } else if (c == QLatin1Char('{')) {
      ++depth;
    } else if (c == QLatin1Char('}')) {
      if (--depth < 0) return false;
      if (depth == 0) ++rules;
    }
  }
  return depth == 0 && quote.isNull() && rules > 0;
}

void SkinFramework::LoadSkin(const QString& path, const QString& /*iniFileName*/) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw skinFailure(path, "the file cannot be read.");
  const QString sheet = QString::fromUtf8(file.readAll());
  if (file.error() != QFileDevice::NoError) throw skinFailure(path, "the file cannot be read.");
  if (sheet.trimmed().isEmpty()) throw skinFailure(path, "the file is empty.");
  if (!IsWellFormedStyleSheet(sheet)) throw skinFailure(path, "its rules are not well formed.");
  styleSheet_ = sheet;
}

void SkinFramework::ApplyWindow(QWidget& window) {
  if (!IsLoaded() || !(options_ & kOptionApplyToWindow)) return;
  window.setStyleSheet(styleSheet_);
  applied_ = true;
}

void SkinFramework::WindowCreated(QWidget& window) {
  if (applied_ && autoApplyNewWindows_) window.setStyleSheet(styleSheet_);
}

}  // namespace Main
