#pragma once

// The values a static recordset must still hand out for rows its
// connection changed ahead of the walk: each kept at the row's first change,
// dropped once the walk has passed the row. Rows that held the same value
// share one copy, so an UPDATE that matches many rows ahead keeps each of
// its old texts once; the rest costs 4 bytes a row for a field that changed.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "ado/value.h"

namespace ado {

class KeptValues {
 public:
  // Forgets every kept value; the recordset has `fields` fields and `rows` rows.
  void reset(std::size_t fields, std::size_t rows);
  // Keeps `value` as field `field` of row `row`, unless one is kept already.
  void keep(std::size_t field, std::size_t row, const Value& value);
  // The value kept for field `field` of row `row`, if any.
  const Value* find(std::size_t field, std::size_t row) const;
  // Drops what is kept for row `row`.
  void release(std::size_t row);

 private:
  struct Entry {
    Value value;
    std::uint32_t uses = 0;
  };
  static std::uint64_t hashOf(const Value& value);
  std::uint32_t share(const Value& value);  // an entry holding `value`, plus one use

  std::size_t rows_ = 0;
  // Per field: for each row 0, or 1 + the entry of its kept value; empty
  // until a value of the field is kept.
  std::vector<std::vector<std::uint32_t>> entryOf_;
  std::deque<Entry> entries_;          // grows without copying what it holds
  std::vector<std::uint32_t> unused_;  // entries with no uses
  std::unordered_multimap<std::uint64_t, std::uint32_t> byHash_;  // entries in use
};

}  // namespace ado
