#pragma once

#include "engine/base/internal.h"

// A stored row taken apart and put together again with one variable-length value replaced
// (docs/file-format.md, Data rows, Growing rows): the fixed area and every other value keep their
// bytes; offsets, end-of-data and (Jet 3) the jump table are computed afresh.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/table_definition.h"

namespace engine {

class RowImage {
 public:
  // Nothing when the row's layout is inconsistent (`why` says how).
  [[nodiscard]] static std::optional<RowImage> parse(std::span<const std::uint8_t> row,
                                                     const Format& format,
                                                     const TableDefinition& table,
                                                     std::string& why);

  // The bytes of the variable value with table index `index` (empty when
  // the row has no entry for it).
  std::span<const std::uint8_t> variableValue(std::size_t index) const;
  [[nodiscard]] bool present(std::uint16_t columnNumber) const;
  // The `size` bytes at `offset` in the fixed area (empty when the row is too short).
  std::span<const std::uint8_t> fixedValue(std::size_t offset, std::size_t size) const;
  std::size_t columnCount() const { return columnCount_; }

  // The row with variable value `index` set to `value` (and marked present),
  // at least `minimumLength` bytes long (padding goes after the variable
  // data). Nothing when the row cannot express it (`why` says how).
  [[nodiscard]] std::optional<std::vector<std::uint8_t>> with(std::size_t index,
                                                              std::uint16_t columnNumber,
                                                              std::span<const std::uint8_t> value,
                                                              std::size_t minimumLength,
                                                              std::string& why) const;

 private:
  RowImage(std::span<const std::uint8_t> row, const Format& format) : row_(row), format_(format) {}

  std::span<const std::uint8_t> row_;
  Format format_;
  std::size_t columnCount_ = 0;
  std::size_t maskLength_ = 0;
  bool hasVariableTable_ = false;
  std::vector<std::size_t> offsets_;  // v entries, then end of data
};

}  // namespace engine
