#pragma once

// Which values the run rewrites: text that does not read as a number or a
// date in the user's locale, is not empty, and lies in a field that does not
// hold long binary data. The value's own type decides first: only text values
// qualify at all.

#include <QString>
#include <optional>

#include "ado/value.h"

namespace Run {

// Numbers as the user's locale reads them: its decimal and group separators,
// signs, exponents and currency symbol; also the C locale's forms.
[[nodiscard]] bool ReadsAsNumber(const QString& text);

// Dates and times: ISO 8601 forms and the locale's short and long forms.
[[nodiscard]] bool ReadsAsDate(const QString& text);

// Why the run leaves a value alone; nothing when it rewrites the value.
enum class LeftAlone { Null, Empty, Number, Date, NotText };
[[nodiscard]] std::optional<LeftAlone> WhyLeftAlone(const ado::Value& value, int fieldType);

// The first test: not a number, not long binary, not a date.
[[nodiscard]] bool PassesFirstTest(const ado::Value& value, int fieldType);

// The second test: not the empty text (a null fails as well).
[[nodiscard]] bool PassesSecondTest(const ado::Value& value);

}  // namespace Run
