#pragma once

#include "engine/base/internal.h"

// One stored row (docs/file-format.md, Data rows) as its parts: the column
// count, the fixed area, the variable values with their offsets (Jet 3 with
// its jump table), the end of the variable data and the null mask. The
// reader decodes rows through it, the updater rebuilds them and the creator
// packs new ones.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/format/byte_order.h"

namespace engine {

namespace row_layout {

// The column count stored at the start of `row` (which holds at least its
// count's bytes).
std::size_t columnCount(std::span<const std::uint8_t> row, const Format& format);

// Bytes of the null mask of a row that stores `columnCount` columns.
inline std::size_t maskLength(std::size_t columnCount) { return (columnCount + 7) / 8; }

// Whether column `number` is present (for Yes/No: its value) by a row's mask.
[[nodiscard]] inline bool present(std::span<const std::uint8_t> mask, std::size_t columnCount,
                                  std::size_t number) {
  return number < columnCount && (mask[number / 8] >> (number % 8)) & 1;
}
inline void markPresent(std::span<std::uint8_t> mask, std::size_t number) {
  mask[number / 8] |= static_cast<std::uint8_t>(1u << (number % 8));
}

enum class Fault { none, noVariableCount, offsetTableOverflows };

// The offsets of a row's variable values, in variable-table order, then the
// end of the variable data (`offsets` is filled only without a fault). The
// row must hold at least its mask.
Fault readVariableOffsets(std::span<const std::uint8_t> row, const Format& format,
                          std::size_t maskLength, std::vector<std::size_t>& offsets);

// A row made of `head` (the column count and fixed area), the variable
// `values` in variable-table order, their offsets and end of data, and
// `mask`: at least `minimumLength` bytes, padded after the variable data.
// Nothing when Jet 3's single-byte offsets cannot express it (`why` says how).
[[nodiscard]] std::optional<Bytes> pack(const Format& format, std::span<const std::uint8_t> head,
                                        std::span<const std::span<const std::uint8_t>> values,
                                        std::span<const std::uint8_t> mask,
                                        std::size_t minimumLength, std::string& why);

// A row of a table without variable-length columns: `head`, then `mask`.
Bytes packFixed(std::span<const std::uint8_t> head, std::span<const std::uint8_t> mask);

}  // namespace row_layout

}  // namespace engine
