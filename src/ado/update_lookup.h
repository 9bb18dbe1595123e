#pragma once

// Finds the records an UPDATE's WHERE clause names without scanning the
// table: one map per (table, column) from the value, compared as Access
// compares text (letter case ignored, nothing else), to the rows holding it.
// Built by one scan on first use and kept in step with the connection's own
// writes, so one UPDATE costs in proportion to the records it matches.

#include <map>
#include <string>
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

class UpdateLookup {
 public:
  // The rows whose `column` holds `value` (compared as above).
  std::vector<engine::RowId> find(engine::Database& database, const engine::TableDefinition& table,
                                  int column, const Text& value);
  // Records that a row's value of `column` changed from `oldValue` to `newValue`.
  void moved(const engine::TableDefinition& table, int column, engine::RowId row,
             const Text& oldValue, const Text& newValue);

 private:
  struct RowIdHash {
    std::size_t operator()(const engine::RowId& id) const {
      return std::hash<std::uint64_t>()((std::uint64_t(id.page) << 8) | id.slot);
    }
  };
  using Index = std::unordered_map<Text, std::vector<engine::RowId>>;
  Index& indexFor(engine::Database& database, const engine::TableDefinition& table, int column);

  std::map<std::pair<std::uint32_t, int>, Index> indexes_;  // by (TDEF page, column)
};

}  // namespace ado
