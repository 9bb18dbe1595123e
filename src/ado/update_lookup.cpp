#include "ado/update_lookup.h"

#include <algorithm>

#include "engine/database.h"
#include "engine/simple_case.h"

namespace ado {

Text TextCompareKey(std::u16string_view text) {
  Text key(text);
  for (char16_t& unit : key) unit = engine::simpleLower(unit);
  return key;
}

UpdateLookup::Index& UpdateLookup::indexFor(engine::Database& database,
                                            const engine::TableDefinition& table, int column) {
  const auto key = std::make_pair(table.page, column);
  auto found = indexes_.find(key);
  if (found != indexes_.end()) return found->second;
  Index index;
  auto scan = database.scan(table);
  engine::Row row;
  while (scan->next(row)) {
    const Value& value = row.values[static_cast<std::size_t>(column)];
    if (value.isText()) index[TextCompareKey(value.text())].push_back(row.id);
  }
  return indexes_.emplace(key, std::move(index)).first->second;
}

std::vector<engine::RowId> UpdateLookup::find(engine::Database& database,
                                              const engine::TableDefinition& table, int column,
                                              const Text& value) {
  const Index& index = indexFor(database, table, column);
  auto found = index.find(TextCompareKey(value));
  return found == index.end() ? std::vector<engine::RowId>{} : found->second;
}

void UpdateLookup::moved(const engine::TableDefinition& table, int column, engine::RowId row,
                         const Text& oldValue, const Text& newValue) {
  auto it = indexes_.find(std::make_pair(table.page, column));
  if (it == indexes_.end()) return;
  const Text oldKey = TextCompareKey(oldValue);
  const Text newKey = TextCompareKey(newValue);
  if (oldKey == newKey) return;
  auto& rows = it->second[oldKey];
  rows.erase(std::remove(rows.begin(), rows.end(), row), rows.end());
  if (rows.empty()) it->second.erase(oldKey);
  it->second[newKey].push_back(row);
}

}  // namespace ado
