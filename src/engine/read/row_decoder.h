#pragma once

#include "engine/base/internal.h"

// Decoding one stored row (docs/file-format.md, Data rows) into values, one per column in table
// order: null mask, fixed area, variable offsets (Jet 3 jump tables included), long values and
// calculated-column wrappers.

#include <vector>

#include "engine/format.h"
#include "engine/format/bounded_bytes.h"
#include "engine/pager/pager.h"
#include "engine/row.h"
#include "engine/table_definition.h"

namespace engine {

class RowDecoder {
 public:
  RowDecoder(Pager& pager, const Format& format, const TableDefinition& table);
  RowDecoder(const RowDecoder&) = delete;
  RowDecoder& operator=(const RowDecoder&) = delete;

  // One value per column of the table, as `selection` takes them.
  void decode(const BoundedBytes& row, std::vector<Value>& values,
              const ColumnSelection& selection = {}) const;

 private:
  // Fills offsets_: v entries, then the end of data.
  void readVariableTable(const BoundedBytes& row, std::size_t maskLength) const;
  Value decodeVariable(const ColumnDefinition& column, const BoundedBytes& field) const;
  Value decodeCalculated(const ColumnDefinition& column, const BoundedBytes& field) const;

  Pager& pager_;
  const Format& format_;
  const TableDefinition& table_;
  // Kept from row to row so that decoding a row allocates no offset table.
  mutable std::vector<std::size_t> offsets_;
};

}  // namespace engine
