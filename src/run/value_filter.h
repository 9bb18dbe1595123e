#pragma once

// Which values the run rewrites: text that does not read as a number or a
// date in the user's locale, is not empty, and lies in a field that does not
// hold long binary data. The value's own type decides first: only text values
// qualify at all.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "ado/value.h"

namespace Run {

// Why the run leaves a value alone.
enum class LeftAlone { Null, Empty, Number, Date, NotText };

// What the number test needs of a locale, asked of it once.
class NumberForms {
 public:
  explicit NumberForms(const QLocale& locale);
  // Whether `text` (trimmed) reads as a number, also in brackets.
  [[nodiscard]] bool reads(QString text) const;

 private:
  [[nodiscard]] bool parses(const QString& text) const;

  QLocale locale_;
  QString letters_;
};

// What the date test needs of a locale, asked of it once: its date and time
// forms, and the first letters of the names those forms may start with.
class DateForms {
 public:
  explicit DateForms(const QLocale& locale);
  // Whether `text` (trimmed, not empty) reads as a date or time.
  [[nodiscard]] bool reads(const QString& text) const;

  // What text in a form starts with.
  enum class Starts { Number, Name, Other };

 private:
  // A form tried by the locale's own parser, by what it reads.
  struct Form {
    QString format;
    enum class Reads { Date, DateTime, Time } reads;
    Starts starts;
  };
  [[nodiscard]] bool mayRead(const Form& form, const QString& text) const;

  QLocale locale_;
  std::vector<Form> forms_;
  // Every first character, in lower and upper case, of the locale's day and
  // month names and AM/PM marks: a form that starts with a name reads no
  // text that starts with another letter.
  QString nameInitials_;
};

// The run's test of each value, in the user's locale as it stands when the
// filter is made.
class ValueFilter {
 public:
  ValueFilter();
  // Why the run leaves a value alone; nothing when it rewrites the value.
  [[nodiscard]] std::optional<LeftAlone> whyLeftAlone(const ado::Value& value, int fieldType) const;
  // The first test: not a number, not long binary, not a date.
  [[nodiscard]] bool passesFirstTest(const ado::Value& value, int fieldType) const;
  // The first test, from the verdict: an empty text passes it and fails the second.
  [[nodiscard]] static bool passesFirstTest(std::optional<LeftAlone> reason) {
    return !reason || *reason == LeftAlone::Empty;
  }
  [[nodiscard]] bool readsAsNumber(const QString& text) const;
  [[nodiscard]] bool readsAsDate(const QString& text) const;

 private:
  QLocale locale_;
  NumberForms numbers_;
  NumberForms cNumbers_;
  QStringList currencySymbols_;
  DateForms dates_;
};

// The same tests in the locale as it stands now (each call asks it afresh).
// Numbers as the user's locale reads them: its decimal and group separators,
// signs, exponents and currency symbol; also the C locale's forms.
[[nodiscard]] bool ReadsAsNumber(const QString& text);
// Dates and times: ISO 8601 forms and the locale's short and long forms.
[[nodiscard]] bool ReadsAsDate(const QString& text);
[[nodiscard]] std::optional<LeftAlone> WhyLeftAlone(const ado::Value& value, int fieldType);
[[nodiscard]] bool PassesFirstTest(const ado::Value& value, int fieldType);
// The second test: not the empty text (a null fails as well).
[[nodiscard]] bool PassesSecondTest(const ado::Value& value);

}  // namespace Run
