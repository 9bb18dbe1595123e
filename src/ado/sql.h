#pragma once

// The SQL the program sends, parsed for real (not matched as strings):
//   SELECT * FROM t
//   SELECT c FROM t
//   UPDATE t SET c = 'new' WHERE c = 'old'
// Names are bare, in grave accents or in square brackets; keywords in any
// case; text literals in apostrophes with doubled apostrophes inside.
// Anything else is a syntax error.

#include <optional>
#include <string>
#include <variant>

#include "ado/value.h"

namespace ado::sql {

struct Select {
  Text table;
  std::optional<Text> column;  // none: every column
};

struct Update {
  Text table;
  Text setColumn;
  Text newValue;
  Text whereColumn;
  Text oldValue;
};

using Statement = std::variant<Select, Update>;

// Throws Error::syntaxError("SELECT"/"UPDATE") for anything else.
Statement Parse(std::u16string_view text);

// A text literal as the program writes it: apostrophes doubled, enclosed.
Text QuoteLiteral(std::u16string_view text);

}  // namespace ado::sql
