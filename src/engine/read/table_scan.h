#pragma once

#include "engine/base/internal.h"

// The table scan of the file: the pages of its owned
// usage map in page order, their slots in slot order, deleted rows skipped
// and overflow pointers followed. Memory use is bounded by the page cache.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/format.h"
#include "engine/pager/pager.h"
#include "engine/read/data_page.h"
#include "engine/read/row_decoder.h"
#include "engine/row.h"
#include "engine/table_definition.h"
#include "engine/table_scan.h"

namespace engine {

class PageScan final : public TableScan {
 public:
  // `table` must outlive the scan. Rows carry the values of `selection` only.
  PageScan(Pager& pager, const Format& format, const TableDefinition& table,
           ColumnSelection selection = {});
  PageScan(const PageScan&) = delete;
  PageScan& operator=(const PageScan&) = delete;

  [[nodiscard]] bool next(Row& row) override;

  // Reads the row whose header slot is `id`, following overflow; nothing
  // when that slot is deleted or not a row of this table.
  [[nodiscard]] static std::optional<Row> readRow(Pager& pager, const Format& format,
                                                  const TableDefinition& table, RowId id,
                                                  const ColumnSelection& selection = {});

 private:
  Pager& pager_;
  const Format& format_;
  const TableDefinition& table_;
  RowDecoder decoder_;
  ColumnSelection selection_;
  std::vector<std::uint32_t> pages_;
  std::size_t pageIndex_ = 0;
  std::size_t slotIndex_ = 0;
};

}  // namespace engine
