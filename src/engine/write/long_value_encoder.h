#pragma once

#include "engine/base/internal.h"

// Writing a long value (docs/file-format.md, Long values): small data inline behind the 12-byte
// reference, data that fits one LVAL row in a single row, larger data in a
// chain of rows, each linking to the next. Shared by the database creator
// and the in-place updater, which differ only in where rows go.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "engine/format/byte_order.h"
#include "engine/read/data_page.h"

namespace engine {

// Stores one LVAL row and says where it went.
using AddLongValueRow = std::function<RowPointer(std::span<const std::uint8_t> row)>;

// The largest LVAL row on a page of `pageSize` whose data-page header has
// `headerSize` bytes.
std::size_t maxLongValueRow(std::size_t pageSize, std::size_t headerSize);

// Stores `data` through `addRow` where it does not go inline and returns the
// row's field: the 12-byte reference (bytes 8-11 `unknown`), followed by the
// data itself when inline. A chain is added last row first, so that each row
// already knows where its successor lies.
Bytes encodeLongValue(std::span<const std::uint8_t> data, std::size_t maxRow,
                      const std::array<std::uint8_t, 4>& unknown, const AddLongValueRow& addRow);

}  // namespace engine
