#pragma once

// Finds the records an UPDATE's WHERE clause names without scanning the
// table: for each (table, column), the rows by a hash of the text they hold
// compared as Access compares text (letter case ignored, nothing else).
// Built by one scan on first use and kept in step with the connection's own
// writes. It holds no text, only 8 bytes a row: the rows it gives are
// candidates, each confirmed by reading it. A group of rows found to hold
// one text is remembered as such, so a statement that finds every record
// already holding the new text costs next to nothing.

#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "ado/value.h"
#include "engine/row.h"

namespace engine {
class Database;
struct TableDefinition;
}  // namespace engine

namespace ado {

// The comparison key of a text: each code unit in its simple lower-case form.
Text TextCompareKey(std::u16string_view text);
// Whether `text`'s comparison key is `key`, without making it: a memo's key
// is as long as the memo.
[[nodiscard]] bool HasCompareKey(std::u16string_view text, std::u16string_view key);

class UpdateLookup {
 public:
  // The rows of `column` that may hold a text whose comparison key is `key`
  // (every row that does, and perhaps a few that do not), in stored order.
  std::vector<engine::RowId> candidates(engine::Database& database,
                                        const engine::TableDefinition& table, int column,
                                        const Text& key);
  // When the rows of `key` were all found holding exactly `text`: how many.
  [[nodiscard]] std::optional<long> settledRows(const engine::TableDefinition& table, int column,
                                                const Text& key, const Text& text) const;
  // Records that the candidates of `key` (`candidates` of them) were read and
  // `rows` of them found holding exactly `text`, and the rest another key.
  void settle(const engine::TableDefinition& table, int column, const Text& key, const Text& text,
              long rows, std::size_t candidates);
  // Records that `row`, which held `before` in `column`, now holds `after`.
  void wrote(const engine::TableDefinition& table, int column, engine::RowId row,
             const Value& before, const Text& after);

 private:
  struct Settled {
    std::uint64_t text;
    long rows;
  };
  struct Index {
    // Sorted: the key hash's upper bits above the row's page and slot.
    std::vector<std::uint64_t> entries;
    // Rows that came to a key after the scan, by the full key hash.
    std::unordered_multimap<std::uint64_t, engine::RowId> joined;
    std::unordered_map<std::uint64_t, Settled> settled;  // by key hash
  };
  Index& indexFor(engine::Database& database, const engine::TableDefinition& table, int column);
  const Index* existingIndex(const engine::TableDefinition& table, int column) const;

  std::map<std::pair<std::uint32_t, int>, Index> indexes_;  // by (TDEF page, column)
};

}  // namespace ado
