#pragma once

// The value of one database field as the engine decodes it and every layer
// above hands it on: a tagged union of the types an Access column can hold, plus the two
// "nothing" states that callers tell apart (a database null against an
// uninitialised value).

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace engine {

// A database null.
struct Null {
  bool operator==(const Null&) const = default;
};

// A value that was never set.
struct Empty {
  bool operator==(const Empty&) const = default;
};

// Currency: a fixed-point number with four decimals, held as value × 10,000.
struct Currency {
  std::int64_t tenThousandths = 0;
  bool operator==(const Currency&) const = default;
};

// Date/time as Access stores it: days since 1899-12-30. For dates before that
// day the whole part is negative while the fraction (the time of day) is
// positive: -1.25 is 1899-12-29 06:00.
struct DateTime {
  double days = 0;
  bool operator==(const DateTime&) const = default;
};

// Date/Time Extended (ACE 17+): 100-nanosecond ticks since 0001-01-01 00:00
// in the proleptic Gregorian calendar, no time zone.
struct DateTimeExtended {
  std::int64_t ticks = 0;
  bool operator==(const DateTimeExtended&) const = default;
};

// A GUID in its stored byte order (the first three groups little-endian).
struct Guid {
  std::array<std::uint8_t, 16> bytes{};
  bool operator==(const Guid&) const = default;
};

// A decimal: sign, scale (digits after the point) and a 96-bit magnitude.
struct Decimal {
  bool negative = false;
  std::uint8_t scale = 0;
  std::uint32_t high = 0;
  std::uint64_t low = 0;
  bool operator==(const Decimal&) const = default;
};

using Text = std::u16string;
using Bytes = std::vector<std::uint8_t>;

class Value {
 public:
  using Storage =
      std::variant<Empty, Null, bool, std::uint8_t, std::int16_t, std::int32_t, std::int64_t, float,
                   double, Currency, DateTime, Text, Bytes, Guid, Decimal, DateTimeExtended>;

  Value() = default;
  template <class T>
  requires std::is_constructible_v<Storage, T&&> Value(T&& v)
      : storage_(std::forward<T>(v)) {}  // NOLINT: implicit by design

  static Value null() { return Value(Null{}); }

  [[nodiscard]] bool isNull() const { return std::holds_alternative<Null>(storage_); }
  bool isEmpty() const { return std::holds_alternative<Empty>(storage_); }
  [[nodiscard]] bool isText() const { return std::holds_alternative<Text>(storage_); }

  template <class T>
  [[nodiscard]] bool is() const {
    return std::holds_alternative<T>(storage_);
  }
  template <class T>
  const T& as() const {
    return std::get<T>(storage_);
  }
  const Text& text() const { return std::get<Text>(storage_); }

  const Storage& storage() const { return storage_; }
  bool operator==(const Value&) const = default;

 private:
  Storage storage_;
};

}  // namespace engine
