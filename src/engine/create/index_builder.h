#pragma once

#include "engine/base/internal.h"

// Builds one index of a table being written: collects the key of every row
// as the rows are encoded, checks primary-key and uniqueness rules, then
// writes the index pages once the rows' places are known.

#include <cstdint>
#include <vector>

#include "engine/create/page_file.h"
#include "engine/create/row.h"
#include "engine/create/row_pages.h"
#include "engine/create/table_writer.h"
#include "engine/create/usage_map.h"
#include "engine/format/byte_order.h"
#include "engine/table_definition.h"
#include "engine/value.h"

namespace engine::create {

class IndexBuilder {
 public:
  IndexBuilder(const TableDefinition& layout, const IndexSpec& spec);

  // Adds the key of row `rowNumber` (0-based); refuses values without a known
  // key and nulls in a primary key.
  void addRow(std::size_t rowNumber, const std::vector<StoredField>& fields,
              const std::vector<Value>& values);

  // Writes the index pages for rows placed at `locations` (one per added row)
  // and returns the real-index definition; refuses duplicates in a unique index.
  RealIndex write(PageFile& file, UsageMaps& maps, std::uint32_t definitionPage,
                  const std::vector<RowPointer>& locations) const;

 private:
  const TableDefinition* layout_;
  const IndexSpec* spec_;
  std::vector<Bytes> keys_;
  std::vector<bool> hasNull_;
};

}  // namespace engine::create
