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

// Whether text in `format` (Qt's date and time format letters) starts with
// digits: a day or month by number, a year, an hour, a minute or a second.
// False for a name, an AM/PM mark, a time zone or a literal.
bool startsWithNumber(const QString& format) {
  if (format.isEmpty()) return false;
  const QChar first = format[0];
  qsizetype run = 1;
  while (run < format.size() && format[run] == first) ++run;
  switch (first.unicode()) {
    case u'd':
    case u'M':
      return run <= 2;
    case u'y':
    case u'h':
    case u'H':
    case u'm':
    case u's':
    case u'z':
      return true;
    default:
      return false;
  }
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
  // A text that starts with a letter ("paris 19743") cannot match a form that
  // starts with a number. Each parse costs as much as the rest of a record's
  // work, so such forms are not tried.
  const bool letterFirst = text[0].isLetter();
  auto mayRead = [&](const QString& format) { return !letterFirst || !startsWithNumber(format); };
  if (!letterFirst) {
    if (QDateTime::fromString(text, Qt::ISODate).isValid() ||
        QDateTime::fromString(text, Qt::ISODateWithMs).isValid() ||
        QDate::fromString(text, Qt::ISODate).isValid() ||
        QTime::fromString(text, Qt::ISODate).isValid())
      return true;
    for (const QString& format : isoDateFormats())
      if (QDateTime::fromString(text, format).isValid() ||
          QDate::fromString(text, format).isValid())
        return true;
    for (const QString& format : timeFormats())
      if (QTime::fromString(text, format).isValid()) return true;
  }
  const QLocale locale;
  for (auto type : {QLocale::ShortFormat, QLocale::LongFormat, QLocale::NarrowFormat}) {
    if ((mayRead(locale.dateFormat(type)) && locale.toDate(text, type).isValid()) ||
        (mayRead(locale.dateTimeFormat(type)) && locale.toDateTime(text, type).isValid()) ||
        (mayRead(locale.timeFormat(type)) && locale.toTime(text, type).isValid()))
      return true;
  }
  // People type four-digit years where the locale's short form has two.
  QString shortDate = locale.dateFormat(QLocale::ShortFormat);
  if (shortDate.contains(QStringLiteral("yy")) && !shortDate.contains(QStringLiteral("yyyy"))) {
    shortDate.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    const QString withTime = shortDate + QLatin1Char(' ') + locale.timeFormat(QLocale::ShortFormat);
    if (mayRead(shortDate) &&
        (locale.toDate(text, shortDate).isValid() || locale.toDateTime(text, withTime).isValid()))
      return true;
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
