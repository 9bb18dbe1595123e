#include "ado/update_lookup.h"

#include <algorithm>
#include <unordered_set>

#include "engine/database.h"
#include "engine/text/simple_case.h"

namespace ado {
namespace {

struct RowIdHash {
  std::size_t operator()(const engine::RowId& id) const {
    return std::hash<std::uint64_t>()((std::uint64_t(id.page) << 8) | id.slot);
  }
};

const UpdateLookup::Rows kNoRows;

}  // namespace

Text TextCompareKey(std::u16string_view text) {
  Text key(text);
  for (char16_t& unit : key) unit = engine::simpleLower(unit);
  return key;
}

UpdateLookup::Index* UpdateLookup::existingIndex(const engine::TableDefinition& table, int column) {
  auto found = indexes_.find(std::make_pair(table.page, column));
  return found == indexes_.end() ? nullptr : &found->second;
}

UpdateLookup::Index& UpdateLookup::indexFor(engine::Database& database,
                                            const engine::TableDefinition& table, int column) {
  if (Index* index = existingIndex(table, column)) return *index;
  Index index;
  const int asked[] = {column};
  auto scan = database.scan(table, engine::ColumnSelection::only(asked));
  engine::Row row;
  while (scan->next(row)) {
    Value& value = row.values[static_cast<std::size_t>(column)];
    if (!value.isText()) continue;
    Variants& variants = index[TextCompareKey(value.text())];
    auto variant = std::find_if(variants.begin(), variants.end(),
                                [&](const Variant& v) { return v.text == value.text(); });
    if (variant == variants.end()) {
      variants.push_back({value.text(), {}});
      variant = std::prev(variants.end());
    }
    variant->rows.push_back(row.id);
  }
  return indexes_.emplace(std::make_pair(table.page, column), std::move(index)).first->second;
}

std::vector<Text> UpdateLookup::variantsOf(engine::Database& database,
                                           const engine::TableDefinition& table, int column,
                                           const Text& value) {
  const Index& index = indexFor(database, table, column);
  std::vector<Text> texts;
  if (auto found = index.find(TextCompareKey(value)); found != index.end())
    for (const Variant& variant : found->second) texts.push_back(variant.text);
  return texts;
}

const UpdateLookup::Rows& UpdateLookup::rowsHolding(const engine::TableDefinition& table,
                                                    int column, const Text& text) const {
  auto index = indexes_.find(std::make_pair(table.page, column));
  if (index == indexes_.end()) return kNoRows;
  auto variants = index->second.find(TextCompareKey(text));
  if (variants == index->second.end()) return kNoRows;
  for (const Variant& variant : variants->second)
    if (variant.text == text) return variant.rows;
  return kNoRows;
}

void UpdateLookup::moved(const engine::TableDefinition& table, int column, const Text& from,
                         const Rows& rows, const Text& to) {
  Index* index = existingIndex(table, column);
  if (!index || rows.empty() || from == to) return;
  const Text fromKey = TextCompareKey(from);
  Variants& fromVariants = (*index)[fromKey];
  auto source = std::find_if(fromVariants.begin(), fromVariants.end(),
                             [&](const Variant& v) { return v.text == from; });
  if (source != fromVariants.end()) {
    if (rows.size() >= source->rows.size()) {
      source->rows.clear();
    } else {
      const std::unordered_set<engine::RowId, RowIdHash> leaving(rows.begin(), rows.end());
      std::erase_if(source->rows, [&](const engine::RowId& id) { return leaving.count(id) != 0; });
    }
    if (source->rows.empty()) fromVariants.erase(source);
  }
  if (fromVariants.empty()) index->erase(fromKey);
  Variants& toVariants = (*index)[TextCompareKey(to)];
  auto target = std::find_if(toVariants.begin(), toVariants.end(),
                             [&](const Variant& v) { return v.text == to; });
  if (target == toVariants.end()) {
    toVariants.push_back({to, {}});
    target = std::prev(toVariants.end());
  }
  target->rows.insert(target->rows.end(), rows.begin(), rows.end());
}

}  // namespace ado
