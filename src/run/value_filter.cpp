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

QString withoutCurrency(const QStringList& symbols, QString text) {
  for (const QString& symbol : symbols)
    if (!symbol.isEmpty() && text.contains(symbol)) text.remove(symbol);
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

// What text in `format` (Qt's date and time format letters) starts with:
// digits (a day or month by number, a year, an hour, a minute or a second),
// a name the parser takes from the locale's lists (a day or month name, an
// AM/PM mark), or something else (a time zone, a literal).
DateForms::Starts startOf(const QString& format) {
  using Starts = DateForms::Starts;
  if (format.isEmpty()) return Starts::Other;
  const QChar first = format[0];
  qsizetype run = 1;
  while (run < format.size() && format[run] == first) ++run;
  switch (first.unicode()) {
    case u'd':
    case u'M':
      return run <= 2 ? Starts::Number : Starts::Name;
    case u'y':
    case u'h':
    case u'H':
    case u'm':
    case u's':
    case u'z':
      return Starts::Number;
    case u'A':
    case u'a':
      return Starts::Name;
    default:
      return Starts::Other;
  }
}

// The first character of each of the locale's day and month names (every
// width, in a date and standing alone) and AM/PM marks, in lower and upper
// case and case-folded.
QString nameInitialsOf(const QLocale& locale) {
  QString initials;
  const auto add = [&](const QString& name) {
    if (name.isEmpty()) return;
    for (QChar c : {name[0], name[0].toLower(), name[0].toUpper(), name[0].toCaseFolded()})
      if (!initials.contains(c)) initials += c;
  };
  for (auto width : {QLocale::LongFormat, QLocale::ShortFormat, QLocale::NarrowFormat}) {
    for (int day = 1; day <= 7; ++day) {
      add(locale.dayName(day, width));
      add(locale.standaloneDayName(day, width));
    }
    for (int month = 1; month <= 12; ++month) {
      add(locale.monthName(month, width));
      add(locale.standaloneMonthName(month, width));
    }
  }
  for (const QString& mark :
       {locale.amText(), locale.pmText(), QStringLiteral("AM"), QStringLiteral("PM")})
    add(mark);
  return initials;
}

}  // namespace

NumberForms::NumberForms(const QLocale& locale) : locale_(locale) {
  // Every letter the locale's numbers may hold: its signs, separators and
  // exponent, "e", and the infinity and not-a-number words, in both cases.
  const QString symbols = locale.exponential() + locale.positiveSign() + locale.negativeSign() +
                          locale.decimalPoint() + locale.groupSeparator() + locale.percent() +
                          QStringLiteral("eEinfinityINFINITYnanNAN");
  for (QChar c : symbols)
    for (QChar form : {c, c.toLower(), c.toUpper(), c.toCaseFolded()})
      if (form.isLetter() && !letters_.contains(form)) letters_ += form;
}

bool NumberForms::reads(QString text) const {
  if (!parses(text)) {
    // Negative amounts in brackets, as accounting formats write them.
    if (!text.startsWith(QLatin1Char('(')) || !text.endsWith(QLatin1Char(')'))) return false;
    text = text.mid(1, text.size() - 2).trimmed();
    return parses(text);
  }
  return true;
}

// A letter no number of the locale holds ("smith 12") settles it at once:
// the locale's own parse of such a text costs as much as a record's write.
bool NumberForms::parses(const QString& text) const {
  for (QChar c : text)
    if (c.isLetter() && !letters_.contains(c)) return false;
  bool ok = false;
  locale_.toDouble(text, &ok);
  return ok;
}

DateForms::DateForms(const QLocale& locale)
    : locale_(locale), nameInitials_(nameInitialsOf(locale)) {
  using Reads = Form::Reads;
  const auto add = [&](const QString& format, Reads reads) {
    forms_.push_back({format, reads, startOf(format)});
  };
  for (auto type : {QLocale::ShortFormat, QLocale::LongFormat, QLocale::NarrowFormat}) {
    add(locale.dateFormat(type), Reads::Date);
    add(locale.dateTimeFormat(type), Reads::DateTime);
    add(locale.timeFormat(type), Reads::Time);
  }
  // People type four-digit years where the locale's short form has two.
  QString shortDate = locale.dateFormat(QLocale::ShortFormat);
  if (shortDate.contains(QStringLiteral("yy")) && !shortDate.contains(QStringLiteral("yyyy"))) {
    shortDate.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    add(shortDate, Reads::Date);
    add(shortDate + QLatin1Char(' ') + locale.timeFormat(QLocale::ShortFormat), Reads::DateTime);
  }
}

// A text that starts with a letter ("paris 19743") cannot match a form that
// starts with a number, nor one that starts with a name unless the text
// starts as one of the locale's names does. Each parse costs as much as the
// rest of a record's work, so such forms are not tried.
bool DateForms::mayRead(const Form& form, const QString& text) const {
  if (!text[0].isLetter()) return true;
  switch (form.starts) {
    case Starts::Number:
      return false;
    case Starts::Name:
      return nameInitials_.contains(text[0]) || nameInitials_.contains(text[0].toCaseFolded());
    case Starts::Other:
      return true;
  }
  return true;
}

bool DateForms::reads(const QString& text) const {
  if (text.isEmpty() || !hasDigit(text)) return false;
  if (!text[0].isLetter()) {
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
  for (const Form& form : forms_) {
    if (!mayRead(form, text)) continue;
    switch (form.reads) {
      case Form::Reads::Date:
        if (locale_.toDate(text, form.format).isValid()) return true;
        break;
      case Form::Reads::DateTime:
        if (locale_.toDateTime(text, form.format).isValid()) return true;
        break;
      case Form::Reads::Time:
        if (locale_.toTime(text, form.format).isValid()) return true;
        break;
    }
  }
  return false;
}

ValueFilter::ValueFilter()
    : numbers_(locale_),
      cNumbers_(QLocale::c()),
      currencySymbols_{locale_.currencySymbol(QLocale::CurrencySymbol),
                       locale_.currencySymbol(QLocale::CurrencyIsoCode), QStringLiteral("$")},
      dates_(locale_) {}

bool ValueFilter::readsAsNumber(const QString& raw) const {
  const QString text = raw.trimmed();
  if (text.isEmpty() || !hasDigit(text)) return false;
  if (numbers_.reads(text) || cNumbers_.reads(text)) return true;
  const QString bare = withoutCurrency(currencySymbols_, text);
  if (bare != text && (numbers_.reads(bare) || cNumbers_.reads(bare))) return true;
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

bool ValueFilter::readsAsDate(const QString& raw) const { return dates_.reads(raw.trimmed()); }

std::optional<LeftAlone> ValueFilter::whyLeftAlone(const ado::Value& value, int fieldType) const {
  if (value.isNull()) return LeftAlone::Null;
  if (fieldType == ado::adLongVarBinary || !value.isText()) return LeftAlone::NotText;
  const QString text = QString::fromStdU16String(value.text());
  if (readsAsNumber(text)) return LeftAlone::Number;
  if (readsAsDate(text)) return LeftAlone::Date;
  if (!PassesSecondTest(value)) return LeftAlone::Empty;
  return std::nullopt;
}

bool ValueFilter::passesFirstTest(const ado::Value& value, int fieldType) const {
  return passesFirstTest(whyLeftAlone(value, fieldType));
}

bool ReadsAsNumber(const QString& text) { return ValueFilter().readsAsNumber(text); }

bool ReadsAsDate(const QString& text) { return ValueFilter().readsAsDate(text); }

std::optional<LeftAlone> WhyLeftAlone(const ado::Value& value, int fieldType) {
  return ValueFilter().whyLeftAlone(value, fieldType);
}

bool PassesFirstTest(const ado::Value& value, int fieldType) {
  return ValueFilter().passesFirstTest(value, fieldType);
}

bool PassesSecondTest(const ado::Value& value) { return value.isText() && !value.text().empty(); }

}  // namespace Run
