#include "ado/update_lookup.h"

#include <algorithm>

#include "ado/row_count_hint.h"
#include "engine/database.h"
#include "engine/simple_case.h"

namespace ado {
namespace {

// An entry: the upper 36 bits of the key hash, the page (20 bits: a file of
// 2 GB has no more pages of 2 KB) and the slot (8 bits).
constexpr int kRowBits = 28;
constexpr std::uint32_t kPageLimit = 1u << 20;
// Groups of rows smaller than this are read again rather than remembered.
constexpr std::size_t kSettleFrom = 4;

// The hash of `text` with `unitOf` applied to each code unit: FNV-1a over
// four code units at a time, each step folding the high half of the state
// into the low one. A memo's text is hashed a few times a statement.
template <class UnitOf>
std::uint64_t hashOf(std::u16string_view text, UnitOf unitOf) {
  constexpr std::uint64_t kPrime = 0x100000001b3ull;
  std::uint64_t h = 0xcbf29ce484222325ull ^ text.size();
  std::size_t at = 0;
  for (; at + 4 <= text.size(); at += 4) {
    const std::uint64_t word =
        std::uint64_t{unitOf(text[at])} | std::uint64_t{unitOf(text[at + 1])} << 16 |
        std::uint64_t{unitOf(text[at + 2])} << 32 | std::uint64_t{unitOf(text[at + 3])} << 48;
    h = (h ^ word) * kPrime;
    h ^= h >> 32;
  }
  for (; at < text.size(); ++at) h = (h ^ unitOf(text[at])) * kPrime;
  // Spread the low bits into the upper ones the entries keep.
  h ^= h >> 29;
  h *= 0xbf58476d1ce4e5b9ull;
  return h ^ (h >> 32);
}

std::uint64_t hashOf(std::u16string_view text) {
  return hashOf(text, [](char16_t unit) { return unit; });
}

// hashOf(TextCompareKey(text)), without making the key.
std::uint64_t keyHashOf(std::u16string_view text) {
  return hashOf(text, [](char16_t unit) { return engine::simpleLower(unit); });
}

std::uint64_t entryOf(std::uint64_t keyHash, engine::RowId row) {
  return (keyHash >> kRowBits << kRowBits) | (std::uint64_t{row.page} << 8) | row.slot;
}

engine::RowId rowOf(std::uint64_t entry) {
  return {static_cast<std::uint32_t>((entry >> 8) & (kPageLimit - 1)),
          static_cast<std::uint8_t>(entry & 0xff)};
}

}  // namespace

Text TextCompareKey(std::u16string_view text) {
  Text key(text);
  for (char16_t& unit : key) unit = engine::simpleLower(unit);
  return key;
}

bool HasCompareKey(std::u16string_view text, std::u16string_view key) {
  if (text.size() != key.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (engine::simpleLower(text[i]) != key[i]) return false;
  return true;
}

const UpdateLookup::Index* UpdateLookup::existingIndex(const engine::TableDefinition& table,
                                                       int column) const {
  auto found = indexes_.find(std::make_pair(table.page, column));
  return found == indexes_.end() ? nullptr : &found->second;
}

UpdateLookup::Index& UpdateLookup::indexFor(engine::Database& database,
                                            const engine::TableDefinition& table, int column) {
  auto found = indexes_.find(std::make_pair(table.page, column));
  if (found != indexes_.end()) return found->second;
  Index index;
  const int asked[] = {column};
  auto scan = database.scan(table, engine::ColumnSelection::only(asked));
  engine::Row row;
  index.entries.reserve(RowCountHint(table));
  while (scan->next(row)) {
    const Value& value = row.values[static_cast<std::size_t>(column)];
    if (!value.isText()) continue;
    const std::uint64_t key = keyHashOf(value.text());
    if (row.id.page < kPageLimit)
      index.entries.push_back(entryOf(key, row.id));
    else
      index.joined.emplace(key, row.id);
  }
  std::sort(index.entries.begin(), index.entries.end());
  ReturnSpareRoom(index.entries);
  return indexes_.emplace(std::make_pair(table.page, column), std::move(index)).first->second;
}

std::vector<engine::RowId> UpdateLookup::candidates(engine::Database& database,
                                                    const engine::TableDefinition& table,
                                                    int column, const Text& key) {
  const Index& index = indexFor(database, table, column);
  const std::uint64_t hash = hashOf(key);
  const std::uint64_t low = entryOf(hash, {0, 0});
  const std::uint64_t high = low | ((std::uint64_t{1} << kRowBits) - 1);
  std::vector<engine::RowId> rows;
  for (auto it = std::lower_bound(index.entries.begin(), index.entries.end(), low);
       it != index.entries.end() && *it <= high; ++it)
    rows.push_back(rowOf(*it));
  auto [from, to] = index.joined.equal_range(hash);
  for (; from != to; ++from) rows.push_back(from->second);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

std::optional<long> UpdateLookup::settledRows(const engine::TableDefinition& table, int column,
                                              const Text& key, const Text& text) const {
  const Index* index = existingIndex(table, column);
  if (!index) return std::nullopt;
  auto found = index->settled.find(hashOf(key));
  if (found == index->settled.end() || found->second.text != hashOf(text)) return std::nullopt;
  return found->second.rows;
}

void UpdateLookup::settle(const engine::TableDefinition& table, int column, const Text& key,
                          const Text& text, long rows, std::size_t candidates) {
  auto found = indexes_.find(std::make_pair(table.page, column));
  // Rows set to a text of another key left `key`: nothing is settled.
  if (found == indexes_.end() || candidates < kSettleFrom || !HasCompareKey(text, key)) return;
  found->second.settled[hashOf(key)] = {hashOf(text), rows};
}

void UpdateLookup::wrote(const engine::TableDefinition& table, int column, engine::RowId row,
                         const Value& before, const Text& after) {
  auto found = indexes_.find(std::make_pair(table.page, column));
  if (found == indexes_.end()) return;
  Index& index = found->second;
  const std::uint64_t to = keyHashOf(after);
  index.settled.erase(to);
  if (before.isText()) {
    const std::uint64_t from = keyHashOf(before.text());
    index.settled.erase(from);
    if (from == to) return;
  }
  // The row stays among the candidates of its old key; reading it tells.
  index.joined.emplace(to, row);
}

}  // namespace ado
