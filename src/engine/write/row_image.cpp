#include "engine/write/row_image.h"

#include "engine/format/bounded_bytes.h"
#include "engine/format/row_layout.h"

namespace engine {

std::optional<RowImage> RowImage::parse(std::span<const std::uint8_t> row, const Format& format,
                                        const TableDefinition& table, std::string& why) {
  RowImage image(row, format);
  const std::size_t L = row.size();
  const std::size_t countSize = format.rowColumnCountSize();
  if (L < countSize) {
    why = "the row is shorter than its column count";
    return std::nullopt;
  }
  image.columnCount_ = row_layout::columnCount(row, format);
  const std::size_t m = image.maskLength_ = row_layout::maskLength(image.columnCount_);
  if (L < countSize + m) {
    why = "the row is shorter than its null mask";
    return std::nullopt;
  }
  image.hasVariableTable_ = table.variableColumnCount > 0;
  if (!image.hasVariableTable_) return image;
  switch (row_layout::readVariableOffsets(row, format, m, image.offsets_)) {
    case row_layout::Fault::none:
      break;
    case row_layout::Fault::noVariableCount:
      return why = "the row lacks its variable-column count", std::nullopt;
    case row_layout::Fault::offsetTableOverflows:
      return why = "the variable-offset table overflows the row", std::nullopt;
  }
  // Offsets must rise and stay inside the data area.
  const std::size_t trailer = format.isJet3() ? 0 : m + 4 + 2 * (image.offsets_.size() - 1);
  for (std::size_t i = 0; i < image.offsets_.size(); ++i) {
    if (image.offsets_[i] < countSize || image.offsets_[i] > L - trailer ||
        (i > 0 && image.offsets_[i] < image.offsets_[i - 1])) {
      why = "the row's variable offsets are inconsistent";
      return std::nullopt;
    }
  }
  return image;
}

std::span<const std::uint8_t> RowImage::variableValue(std::size_t index) const {
  if (index + 1 >= offsets_.size()) return {};
  return row_.subspan(offsets_[index], offsets_[index + 1] - offsets_[index]);
}

bool RowImage::present(std::uint16_t number) const {
  return row_layout::present(row_.last(maskLength_), columnCount_, number);
}

std::span<const std::uint8_t> RowImage::fixedValue(std::size_t offset, std::size_t size) const {
  const std::size_t start = format_.rowColumnCountSize() + offset;
  if (start + size > row_.size() - maskLength_) return {};
  return row_.subspan(start, size);
}

std::optional<std::vector<std::uint8_t>> RowImage::with(std::size_t index,
                                                        std::uint16_t columnNumber,
                                                        std::span<const std::uint8_t> value,
                                                        std::size_t minimumLength,
                                                        std::string& why) const {
  if (!hasVariableTable_) return why = "the table has no variable-length columns", std::nullopt;
  if (columnNumber >= columnCount_) {
    why = "the row was stored before the column was added";
    return std::nullopt;
  }
  const std::size_t v = offsets_.size() - 1;
  const std::size_t newV = std::max(v, index + 1);
  std::vector<std::span<const std::uint8_t>> values;
  values.reserve(newV);
  for (std::size_t k = 0; k < newV; ++k) values.push_back(k == index ? value : variableValue(k));
  Bytes mask(row_.end() - static_cast<std::ptrdiff_t>(maskLength_), row_.end());
  row_layout::markPresent(mask, columnNumber);
  // Everything before the variable data: column count and fixed area.
  auto out =
      row_layout::pack(format_, row_.first(offsets_.front()), values, mask, minimumLength, why);
  if (out && !format_.isJet3() && out->size() > 0xFFFF)
    return why = "the row would be too long", std::nullopt;
  return out;
}

}  // namespace engine
