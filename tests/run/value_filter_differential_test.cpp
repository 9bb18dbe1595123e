// The value filter settles some texts without the locale's parse: the date
// test skips a locale's forms that start with a day or month name or an
// AM/PM mark when the text starts with a letter none of the locale's names
// starts with, and the number test refuses a text holding a letter no number
// of the locale holds. These tests compare both, in every locale Qt ships,
// with the plain tests that always parse, on generated texts: texts of
// letters of many scripts, digits and signs, and texts made of the locale's
// own names and numbers. CASELOOM_FILTER_TEXTS sets how many random texts
// each locale gets (100).

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cstdlib>
#include <random>

#include "run/value_filter.h"

namespace {

// The date test as it was before it skipped any name form: every form of
// the locale is tried, but those that start with a number for a text that
// starts with a letter.
bool startsWithNumber(const QString& format) {
  if (format.isEmpty()) return false;
  const QChar first = format[0];
  qsizetype run = 1;
  while (run < format.size() && format[run] == first) ++run;
  if (first == u'd' || first == u'M') return run <= 2;
  return QStringLiteral("yhHmsz").contains(first);
}

bool plainReads(const QLocale& locale, const QString& text) {
  const bool letterFirst = text[0].isLetter();
  auto mayRead = [&](const QString& format) { return !letterFirst || !startsWithNumber(format); };
  for (auto type : {QLocale::ShortFormat, QLocale::LongFormat, QLocale::NarrowFormat}) {
    if ((mayRead(locale.dateFormat(type)) && locale.toDate(text, type).isValid()) ||
        (mayRead(locale.dateTimeFormat(type)) && locale.toDateTime(text, type).isValid()) ||
        (mayRead(locale.timeFormat(type)) && locale.toTime(text, type).isValid()))
      return true;
  }
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

// First letters from many scripts, cased and not.
const QString kInitials = QStringLiteral(
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "àéîõüçñßÀÉÎÕÜÇÑİıſǅ"
    "αβγδεζηθλμπσωΑΒΓΔΣΩ"
    "абвгдежзиклмнопрстуфхцчшщюяАБВГДЕЖЗИКЛМНОПРСТУФ"
    "ابتثجحخدذرزسشصضطظعغفقكلمنهوي"
    "אבגדהוזחטיכלמנסעפצקרשת"
    "一二三四五六七八九十月日年星期上下午"
    "가나다라마바사아자차카타파하오전후"
    "กขคงจฉชซญฎ"
    "अआइईउऊएऐओकखगघ"
    "ᎠᎡᎢ");

QString randomText(std::mt19937& random) {
  auto pick = [&](const QString& from) {
    return from[std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random)];
  };
  QString text(pick(kInitials));
  const int length = std::uniform_int_distribution<int>(1, 20)(random);
  for (int i = 0; i < length; ++i) {
    switch (std::uniform_int_distribution<int>(0, 3)(random)) {
      case 0:
        text += pick(QStringLiteral("0123456789"));
        break;
      case 1:
        text += pick(QStringLiteral(" ,./:-"));
        break;
      default:
        text += pick(kInitials);
    }
  }
  // Each text needs a digit to be tried at all.
  return text + QString::number(std::uniform_int_distribution<int>(1, 2030)(random));
}

// Texts made of the locale's own names, as dates people write start.
QStringList namedTexts(const QLocale& locale, std::mt19937& random) {
  QStringList texts;
  const QDate date(2021, 8, 31);
  for (auto type : {QLocale::ShortFormat, QLocale::LongFormat, QLocale::NarrowFormat}) {
    texts << locale.toString(date, type) << locale.toString(QDateTime(date, QTime(15, 4)), type)
          << locale.toString(QTime(9, 30), type);
  }
  for (int i = 0; i < 12; ++i) {
    const int month = std::uniform_int_distribution<int>(1, 12)(random);
    const int day = std::uniform_int_distribution<int>(1, 7)(random);
    texts << locale.monthName(month) + QStringLiteral(" 5, 2020")
          << locale.dayName(day) + QStringLiteral(", ") + locale.monthName(month) +
                 QStringLiteral(" 5, 2020")
          << locale.dayName(day, QLocale::ShortFormat) + QStringLiteral(" 12")
          << locale.amText() + QStringLiteral(" 5:30");
  }
  return texts;
}

// The number test before it refused any text unparsed.
bool plainNumber(const QLocale& locale, const QString& text) {
  bool ok = false;
  locale.toDouble(text, &ok);
  if (ok) return true;
  if (text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')')))
    locale.toDouble(text.mid(1, text.size() - 2).trimmed(), &ok);
  return ok;
}

// Texts of the locale's own numbers and symbols, mixed with letters.
QStringList numberTexts(const QLocale& locale, std::mt19937& random) {
  QStringList texts;
  for (double value : {0.5, -12.25, 1234567.875, 1e-7, 3e21})
    for (char format : {'f', 'e', 'g'}) {
      const QString number = locale.toString(value, format, 3);
      texts << number << QStringLiteral("(") + number + QStringLiteral(")")
            << number + locale.percent() << number.toUpper() << number.toLower();
    }
  const QString symbols = locale.exponential() + locale.positiveSign() + locale.negativeSign() +
                          locale.decimalPoint() + locale.groupSeparator() +
                          QStringLiteral("0123456789eEinfINFnaN ");
  auto pick = [&](const QString& from) {
    return from[std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random)];
  };
  for (int i = 0; i < 20; ++i) {
    QString text;
    const int length = std::uniform_int_distribution<int>(1, 8)(random);
    for (int k = 0; k < length; ++k) text += pick(i % 4 == 0 ? kInitials + symbols : symbols);
    texts << text + QString::number(i);
  }
  return texts;
}

// In every locale Qt ships, `Forms` (made for the locale) and `plain` give
// the same answer for each text `tried` takes: the locale's `ownTexts` and
// random ones.
template <class Forms>
void expectSameAnswersInEveryLocale(unsigned seed, const char* found,
                                    QStringList (*ownTexts)(const QLocale&, std::mt19937&),
                                    bool (*plain)(const QLocale&, const QString&),
                                    bool (*tried)(const QString&)) {
  int perLocale = 100;
  if (const char* asked = std::getenv("CASELOOM_FILTER_TEXTS")) perLocale = std::atoi(asked);
  std::mt19937 random(seed);
  long compared = 0, yes = 0;
  const QList<QLocale> locales =
      QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
  ASSERT_GT(locales.size(), 100);
  for (const QLocale& locale : locales) {
    const Forms forms(locale);
    QStringList texts = ownTexts(locale, random);
    for (int i = 0; i < perLocale; ++i) texts << randomText(random);
    for (QString text : texts) {
      text = text.trimmed();
      if (!tried(text)) continue;
      const bool answer = plain(locale, text);
      ASSERT_EQ(forms.reads(text), answer) << qPrintable(locale.name()) << ": " << qPrintable(text);
      ++compared;
      yes += answer;
    }
  }
  std::printf("%ld texts compared in %lld locales, %ld of them %s\n", compared,
              static_cast<long long>(locales.size()), yes, found);
  EXPECT_GT(yes, 0);
}

TEST(DateForms, SkippingNameFormsChangesNoAnswerInAnyLocale) {
  // Nothing is skipped for texts that start otherwise, or hold no digit.
  expectSameAnswersInEveryLocale<Run::DateForms>(
      31, "dates", namedTexts, plainReads, [](const QString& text) {
        return !text.isEmpty() && text[0].isLetter() &&
               std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
      });
}

TEST(NumberForms, RefusingUnknownLettersChangesNoAnswerInAnyLocale) {
  expectSameAnswersInEveryLocale<Run::NumberForms>(
      17, "numbers", numberTexts, plainNumber, [](const QString& text) { return !text.isEmpty(); });
}

}  // namespace
