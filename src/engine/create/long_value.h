#pragma once

#include "engine/base/internal.h"

// Long values (docs/file-format.md, Long values): memo and OLE data out of the row. Small values go
// inline behind the 12-byte reference; values that fit one LVAL row go into a
// single row; larger ones into a chain of rows, each linking to the next.

#include <cstdint>
#include <span>

#include "engine/create/page_file.h"
#include "engine/create/row_pages.h"
#include "engine/format/byte_order.h"

namespace engine::create {

// Writes the long values of one memo/OLE column onto that column's LVAL pages.
class LongValueWriter {
 public:
  explicit LongValueWriter(PageFile& file);
  LongValueWriter(const LongValueWriter&) = delete;
  LongValueWriter& operator=(const LongValueWriter&) = delete;

  // Stores `data` and returns what the row holds for it: the 12-byte
  // reference, followed by the data itself when it is inline.
  Bytes write(std::span<const std::uint8_t> data);

  const RowPages& pages() const { return pages_; }

 private:
  RowPages pages_;
};

}  // namespace engine::create
