#pragma once

// One row of a table as the engine hands it out, and which of its columns
// a read fills.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/value.h"

namespace engine {

// A row's identity: the data page and slot of its header row. It stays the
// same when the row's bytes overflow to another page, and index entries
// refer to it.
struct RowId {
  std::uint32_t page = 0;
  std::uint8_t slot = 0;
  // By page, then slot: the order a table scan gives.
  auto operator<=>(const RowId&) const = default;
};

struct Row {
  RowId id;
  // Where the row's bytes are: equal to `id` unless the row overflowed.
  RowId storedAt;
  // One value per column, in table order.
  std::vector<Value> values;
};

// The columns a decode fills, by position in the table. The others are left
// null without being read: a memo that is not asked for costs no page reads.
class ColumnSelection {
 public:
  enum class Take { Value, StoredReference, Nothing };

  // Every column.
  ColumnSelection() = default;
  // Only `positions` (positions in the table's columns, in any order).
  static ColumnSelection only(std::span<const int> positions);
  // Every column, but long values outside `positions` as the bytes of their
  // stored reference (Bytes; their data is not read): enough to see that a
  // record kept them.
  static ColumnSelection withLongValueReferences(std::span<const int> positions);

  Take take(std::size_t position, bool longValue) const {
    if (all_ || (position < wanted_.size() && wanted_[position])) return Take::Value;
    if (!referencesOnly_) return Take::Nothing;
    return longValue ? Take::StoredReference : Take::Value;
  }

 private:
  bool all_ = true;
  bool referencesOnly_ = false;
  std::vector<bool> wanted_;
};

}  // namespace engine
