#pragma once

// Decoding one stored row (docs/file-format.md, Data rows) into values, one per column in table
// order: null mask, fixed area, variable offsets (Jet 3 jump tables included), long values and
// calculated-column wrappers.

#include <span>
#include <vector>

#include "engine/base/value.h"
#include "engine/format/bounded_bytes.h"
#include "engine/format/format.h"
#include "engine/pager/pager.h"
#include "engine/read/table_definition.h"

namespace engine {

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

class RowDecoder {
 public:
  RowDecoder(Pager& pager, const Format& format, const TableDefinition& table);
  RowDecoder(const RowDecoder&) = delete;
  RowDecoder& operator=(const RowDecoder&) = delete;

  // One value per column of the table, as `selection` takes them.
  void decode(const BoundedBytes& row, std::vector<Value>& values,
              const ColumnSelection& selection = {}) const;

 private:
  struct VariableTable {
    std::vector<std::size_t> offsets;  // v entries, then the end of data
  };

  VariableTable readVariableTable(const BoundedBytes& row, std::size_t maskLength) const;
  Value decodeVariable(const ColumnDefinition& column, const BoundedBytes& field) const;
  Value decodeCalculated(const ColumnDefinition& column, const BoundedBytes& field) const;

  Pager& pager_;
  const Format& format_;
  const TableDefinition& table_;
};

}  // namespace engine
