#include "run/value_filter.h"

#include <QDateTime>
#include <QLocale>

#include "ado/constants.h"

namespace Run {
namespace {

bool hasDigit(const QString& text) {
  for (QChar c : text)
    if (c.isDigit()) return true;
  return false;
}

bool parsesAsDouble(const QLocale& locale, QString text) {
  bool ok = false;
  locale.toDouble(text, &ok);
  if (ok) return true;
  // Negative amounts in brackets, as accounting formats write them.
  if (text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')'))) {
    text = text.mid(1, text.size() - 2).trimmed();
    locale.toDouble(text, &ok);
  }
  return ok;
}

QString withoutCurrency(const QLocale& locale, QString text) {
  for (const QString& symbol :
       {locale.currencySymbol(QLocale::CurrencySymbol),
        locale.currencySymbol(QLocale::CurrencyIsoCode), QStringLiteral("$")}) {
    if (!symbol.isEmpty() && text.contains(symbol)) text.remove(symbol);
  }
  return text.trimmed();
}

const QStringList& isoDateFormats() {
  static const QStringList formats = {QStringLiteral("yyyy-MM-dd"),
                                      QStringLiteral("yyyy-M-d"),
                                      QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
                                      QStringLiteral("yyyy-MM-dd HH:mm:ss"),
                                      QStringLiteral("yyyy-MM-dd HH:mm"),
                                      QStringLiteral("yyyy/MM/dd"),
                                      QStringLiteral("yyyy/M/d"),
                                      QStringLiteral("yyyy-MM-ddTHH:mm"),
                                      QStringLiteral("yyyy/MM/dd HH:mm:ss")};
  return formats;
}

const QStringList& timeFormats() {
  static const QStringList formats = {QStringLiteral("H:mm"),    QStringLiteral("H:mm:ss"),
                                      QStringLiteral("h:mm AP"), QStringLiteral("h:mm:ss AP"),
                                      QStringLiteral("h:mmAP"),  QStringLiteral("h AP")};
  return formats;
}

}  // namespace

bool ReadsAsNumber(const QString& raw) {
  const QString text = raw.trimmed();
  if (text.isEmpty() || !hasDigit(text)) return false;
  const QLocale locale;
  if (parsesAsDouble(locale, text) || parsesAsDouble(QLocale::c(), text)) return true;
  const QString bare = withoutCurrency(locale, text);
  if (bare != text && (parsesAsDouble(locale, bare) || parsesAsDouble(QLocale::c(), bare)))
    return true;
  // Hexadecimal and octal literals: &H1F, &O17.
  if (text.size() > 2 && text[0] == QLatin1Char('&')) {
    bool ok = false;
    const QChar radix = text[1].toUpper();
    if (radix == QLatin1Char('H')) text.mid(2).toLongLong(&ok, 16);
    if (radix == QLatin1Char('O')) text.mid(2).toLongLong(&ok, 8);
    return ok;
  }
  return false;
}

bool ReadsAsDate(const QString& raw) {
  const QString text = raw.trimmed();
  if (text.isEmpty() || !hasDigit(text)) return false;
  if (QDateTime::fromString(text, Qt::ISODate).isValid() ||
      QDateTime::fromString(text, Qt::ISODateWithMs).isValid() ||
      QDate::fromString(text, Qt::ISODate).isValid() ||
      QTime::fromString(text, Qt::ISODate).isValid())
    return true;
  for (const QString& format : isoDateFormats())
    if (QDateTime::fromString(text, format).isValid() || QDate::fromString(text, format).isValid())
      return true;
  for (const QString& format : timeFormats())
    if (QTime::fromString(text, format).isValid()) return true;
  const QLocale locale;
  for (auto format : {QLocale::ShortFormat, QLocale::LongFormat, QLocale::NarrowFormat}) {
    if (locale.toDate(text, format).isValid() || locale.toDateTime(text, format).isValid() ||
        locale.toTime(text, format).isValid())
      return true;
  }
  // People type four-digit years where the locale's short form has two.
  QString shortDate = locale.dateFormat(QLocale::ShortFormat);
  if (shortDate.contains(QStringLiteral("yy")) && !shortDate.contains(QStringLiteral("yyyy"))) {
    shortDate.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    if (locale.toDate(text, shortDate).isValid()) return true;
    const QString withTime = shortDate + QLatin1Char(' ') + locale.timeFormat(QLocale::ShortFormat);
    if (locale.toDateTime(text, withTime).isValid()) return true;
  }
  return false;
}

std::optional<LeftAlone> WhyLeftAlone(const ado::Value& value, int fieldType) {
  if (value.isNull()) return LeftAlone::Null;
  if (fieldType == ado::adLongVarBinary || !value.isText()) return LeftAlone::NotText;
  const QString text = QString::fromStdU16String(value.text());
  if (ReadsAsNumber(text)) return LeftAlone::Number;
  if (ReadsAsDate(text)) return LeftAlone::Date;
  if (!PassesSecondTest(value)) return LeftAlone::Empty;
  return std::nullopt;
}

bool PassesFirstTest(const ado::Value& value, int fieldType) {
  const std::optional<LeftAlone> reason = WhyLeftAlone(value, fieldType);
  return !reason || *reason == LeftAlone::Empty;
}

bool PassesSecondTest(const ado::Value& value) { return value.isText() && !value.text().empty(); }

}  // namespace Run
