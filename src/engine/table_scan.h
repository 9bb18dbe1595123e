#pragma once

// A forward cursor over the live rows of one table, as Database::scan hands
// it out: rows in stored order, deleted rows skipped.

#include "engine/row.h"

namespace engine {

class TableScan {
 public:
  virtual ~TableScan() = default;
  // The next live row; false at the end. Throws Error::damaged.
  [[nodiscard]] virtual bool next(Row& row) = 0;
};

}  // namespace engine
