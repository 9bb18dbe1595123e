#pragma once

#include "engine/base/internal.h"

// Long values (memo, OLE, long calculated results), docs/file-format.md, Long values: the 12-byte
// reference in a row and the data it leads to.

#include <cstdint>
#include <vector>

#include "engine/format.h"
#include "engine/format/bounded_bytes.h"
#include "engine/pager/pager.h"
#include "engine/read/data_page.h"

namespace engine {

enum class LongValueForm { Inline, SingleRow, Chain };

struct LongValueReference {
  LongValueForm form = LongValueForm::Inline;
  std::uint32_t length = 0;
  RowPointer first;  // single row / chain

  // Parses the first 12 bytes of `field`.
  static LongValueReference parse(const BoundedBytes& field);
};

// The data of the long value whose reference (plus inline data) is `field`.
// Lengths are checked against the file size and loops in chains are
// detected; each throws Error::damaged.
std::vector<std::uint8_t> readLongValue(Pager& pager, const Format& format,
                                        const BoundedBytes& field);

}  // namespace engine
