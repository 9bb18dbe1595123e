#pragma once

// One row of a table as the engine hands it out.

#include <compare>
#include <cstdint>
#include <vector>

#include "engine/base/value.h"

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

}  // namespace engine
