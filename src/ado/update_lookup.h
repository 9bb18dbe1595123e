#pragma once

// Finds the records an UPDATE's WHERE clause names without scanning the
// table: for each (table, column), the rows grouped by the value they hold,
// and the groups by the value's comparison key (letter case ignored, nothing
// else, as Access compares text). Built by one scan on first use and kept in
// step with the connection's own writes, so one UPDATE costs in proportion
// to the records it changes, and a statement that finds every record already
// holding the new text costs next to nothing.

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "ado/value.h"
#include "engine/read/row.h"

namespace engine {
class Database;
struct TableDefinition;
}  // namespace engine

namespace ado {

// The comparison key of a text: each code unit in its simple lower-case form.
Text TextCompareKey(std::u16string_view text);

class UpdateLookup {
 public:
  // Rows holding exactly one text.
  using Rows = std::vector<engine::RowId>;

  // The distinct texts of `column` that compare equal to `value`.
  std::vector<Text> variantsOf(engine::Database& database, const engine::TableDefinition& table,
                               int column, const Text& value);
  // The rows holding exactly `text` (empty when none).
  const Rows& rowsHolding(const engine::TableDefinition& table, int column, const Text& text) const;
  // Records that `rows`, which held `from` in `column`, now hold `to`.
  void moved(const engine::TableDefinition& table, int column, const Text& from, const Rows& rows,
             const Text& to);

 private:
  // The rows holding one exact text. Most comparison keys have only one.
  struct Variant {
    Text text;
    Rows rows;
  };
  using Variants = std::vector<Variant>;
  using Index = std::unordered_map<Text, Variants>;  // comparison key -> variants
  Index& indexFor(engine::Database& database, const engine::TableDefinition& table, int column);
  Index* existingIndex(const engine::TableDefinition& table, int column);

  std::map<std::pair<std::uint32_t, int>, Index> indexes_;  // by (TDEF page, column)
};

}  // namespace ado
