#pragma once

// Decoding one stored row (guide §6.2, §6.3) into values, one per column in
// table order: null mask, fixed area, variable offsets (Jet 3 jump tables
// included), long values and calculated-column wrappers.

#include <vector>

#include "engine/base/value.h"
#include "engine/format/bounded_bytes.h"
#include "engine/format/format.h"
#include "engine/pager/pager.h"
#include "engine/read/table_definition.h"

namespace engine {

class RowDecoder {
 public:
  RowDecoder(Pager& pager, const Format& format, const TableDefinition& table);
  RowDecoder(const RowDecoder&) = delete;
  RowDecoder& operator=(const RowDecoder&) = delete;

  void decode(const BoundedBytes& row, std::vector<Value>& values) const;

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
