#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <cmath>
#include <cstdio>

#include "db/access.h"

namespace Access {
namespace {

using ado::Value;

std::u16string fromQ(const QString& s) { return s.toStdU16String(); }

// Numbers in the locale's decimal separator, without grouping.
QLocale numberLocale() {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

std::u16string decimalText(std::int64_t scaledMagnitude, bool negative, int scale) {
  std::string digits = std::to_string(scaledMagnitude);
  if (scale > 0) {
    if (digits.size() <= static_cast<std::size_t>(scale))
      digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
    digits.insert(digits.size() - static_cast<std::size_t>(scale), 1, '.');
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  QString text = QString::fromStdString(digits);
  text.replace(QLatin1Char('.'), QLocale().decimalPoint());
  return fromQ((negative ? QLocale().negativeSign() : QString()) + text);
}

// The locale's long time form (with seconds) without its time zone.
QString timeText(const QTime& time) {
  QString format = QLocale().timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return QLocale().toString(time, format.trimmed());
}

// Days since 1899-12-30 with the time of day as a positive fraction, as the
// database stores dates before that day too.
QDateTime dateTimeOf(double days) {
  const double whole = std::trunc(days);
  const double fraction = std::fabs(days - whole);
  const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
  const qint64 ms = std::llround(fraction * 86400000.0);
  return QDateTime(date, QTime(0, 0)).addMSecs(ms);
}

std::u16string guidText(const ado::Guid& g) {
  const auto& b = g.bytes;
  char buf[40];
  std::snprintf(buf, sizeof buf,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return fromQ(QString::fromLatin1(buf));
}

std::u16string decimalValueText(const ado::Decimal& d) {
  if (d.high != 0) {
    // Beyond 64 bits: fall back to floating point; such values are rare.
    const double magnitude =
        (static_cast<double>(d.high) * 18446744073709551616.0 + static_cast<double>(d.low)) /
        std::pow(10.0, d.scale);
    return fromQ(numberLocale().toString(d.negative ? -magnitude : magnitude, 'g', 29));
  }
  if (d.low > static_cast<std::uint64_t>(INT64_MAX)) {
    const double magnitude = static_cast<double>(d.low) / std::pow(10.0, d.scale);
    return fromQ(numberLocale().toString(d.negative ? -magnitude : magnitude, 'g', 29));
  }
  return decimalText(static_cast<std::int64_t>(d.low), d.negative, d.scale);
}

// Ticks of 100 ns since 0001-01-01; shown like a date/time, with the
// fraction of a second when there is one.
std::u16string dateTimeExtendedText(const ado::DateTimeExtended& v) {
  constexpr std::int64_t kTicksPerDay = 864000000000;
  const std::int64_t days = v.ticks / kTicksPerDay;
  const std::int64_t ticksOfDay = v.ticks % kTicksPerDay;
  const QDate date = QDate(1, 1, 1).addDays(days);
  const QTime time = QTime(0, 0).addMSecs(static_cast<int>(ticksOfDay / 10000));
  QString text = QLocale().toString(date, QLocale::ShortFormat);
  if (ticksOfDay != 0) {
    text += QLatin1Char(' ') + timeText(time);
    if (ticksOfDay % 10000000 != 0)
      text += QLocale().decimalPoint() +
              QStringLiteral("%1").arg(ticksOfDay % 10000000, 7, 10, QLatin1Char('0'));
  }
  return fromQ(text);
}

}  // namespace

std::u16string ValueText(const Value& value) {
  return std::visit(
      [](const auto& v) -> std::u16string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, ado::Empty> || std::is_same_v<T, ado::Null>) {
          return {};
        } else if constexpr (std::is_same_v<T, ado::Text>) {
          return v;
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? u"True" : u"False";
        } else if constexpr (std::is_integral_v<T>) {
          return fromQ(QString::number(v));
        } else if constexpr (std::is_floating_point_v<T>) {
          return fromQ(numberLocale().toString(static_cast<double>(v), 'g',
                                               std::is_same_v<T, float> ? 7 : 15));
        } else if constexpr (std::is_same_v<T, ado::Currency>) {
          const bool negative = v.tenThousandths < 0;
          const std::int64_t magnitude =
              negative ? -(v.tenThousandths + 1) + 1 : v.tenThousandths;  // no overflow at min
          return decimalText(magnitude, negative, 4);
        } else if constexpr (std::is_same_v<T, ado::DateTime>) {
          const QDateTime moment = dateTimeOf(v.days);
          QString text = QLocale().toString(moment.date(), QLocale::ShortFormat);
          if (moment.time() != QTime(0, 0)) text += QLatin1Char(' ') + timeText(moment.time());
          return fromQ(text);
        } else if constexpr (std::is_same_v<T, ado::Guid>) {
          return guidText(v);
        } else if constexpr (std::is_same_v<T, ado::Bytes>) {
          return fromQ(QStringLiteral("<binary data, %1 bytes>").arg(v.size()));
        } else if constexpr (std::is_same_v<T, ado::Decimal>) {
          return decimalValueText(v);
        } else if constexpr (std::is_same_v<T, ado::DateTimeExtended>) {
          return dateTimeExtendedText(v);
        }
      },
      value.storage());
}

}  // namespace Access
