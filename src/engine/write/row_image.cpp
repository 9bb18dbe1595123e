#include "engine/write/row_image.h"

#include "engine/format/bounded_bytes.h"

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
  image.columnCount_ = countSize == 1 ? row[0] : readU16(row, 0);
  const std::size_t m = image.maskLength_ = (image.columnCount_ + 7) / 8;
  if (L < countSize + m) {
    why = "the row is shorter than its null mask";
    return std::nullopt;
  }
  image.hasVariableTable_ = table.variableColumnCount > 0;
  if (!image.hasVariableTable_) return image;
  if (format.isJet3()) {
    if (L < m + 1) return why = "the row lacks its variable-column count", std::nullopt;
    const std::size_t v = row[L - m - 1];
    const std::size_t jumps = (L - 1) / 256;
    if (L < m + jumps + 2 + v)
      return why = "the variable-offset table overflows the row", std::nullopt;
    const std::size_t entry0 = L - m - jumps - 2;
    std::size_t usable = jumps;
    if ((entry0 - v) / 256 < jumps) --usable;
    std::size_t used = 0;
    for (std::size_t i = 0; i <= v; ++i) {
      while (used < usable && i == row[L - m - 2 - used]) ++used;
      image.offsets_.push_back(row[entry0 - i] + 256 * used);
    }
  } else {
    if (L < m + 2) return why = "the row lacks its variable-column count", std::nullopt;
    const std::size_t v = readU16(row, L - m - 2);
    if (L < m + 4 + 2 * v) return why = "the variable-offset table overflows the row", std::nullopt;
    for (std::size_t k = 0; k <= v; ++k) image.offsets_.push_back(readU16(row, L - m - 4 - 2 * k));
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
  if (number >= columnCount_) return false;
  const std::size_t maskStart = row_.size() - maskLength_;
  return (row_[maskStart + number / 8] >> (number % 8)) & 1;
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
  const std::size_t m = maskLength_;
  // Everything before the variable data: column count and fixed area.
  const std::size_t dataStart = offsets_.front();
  std::vector<std::uint8_t> out(row_.begin(), row_.begin() + dataStart);
  std::vector<std::size_t> offsets;
  for (std::size_t k = 0; k < newV; ++k) {
    offsets.push_back(out.size());
    std::span<const std::uint8_t> bytes = k == index ? value : variableValue(k);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  const std::size_t end = out.size();
  offsets.push_back(end);
  std::vector<std::uint8_t> mask(row_.end() - m, row_.end());
  mask[columnNumber / 8] |= static_cast<std::uint8_t>(1u << (columnNumber % 8));

  if (!format_.isJet3()) {
    const std::size_t trailer = 2 + 2 * newV + 2 + m;
    const std::size_t length = std::max(end + trailer, minimumLength);
    if (length > 0xFFFF) return why = "the row would be too long", std::nullopt;
    out.resize(length - trailer, 0);
    auto put16 = [&](std::size_t v16) {
      out.push_back(static_cast<std::uint8_t>(v16));
      out.push_back(static_cast<std::uint8_t>(v16 >> 8));
    };
    put16(end);
    for (std::size_t k = newV; k-- > 0;) put16(offsets[k]);
    put16(newV);
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
  }

  // Jet 3: one byte per offset; jump bytes mark where offsets pass each
  // multiple of 256. The jump count depends on the row length and the row
  // length on the jump count: settle both together.
  if (newV > 255) return why = "the row has too many variable columns", std::nullopt;
  std::size_t jumps = 0, length = 0;
  for (;;) {
    length = std::max(end + (newV + 1) + jumps + 1 + m, minimumLength);
    const std::size_t needed = (length - 1) / 256;
    if (needed == jumps) break;
    jumps = needed;
  }
  const std::size_t trailerStart = length - m - 1 - jumps - (newV + 1);
  std::size_t usable = jumps;
  if (trailerStart / 256 < jumps) --usable;
  if (usable > 0 && trailerStart / 256 < usable)
    return why = "the row's jump table cannot be laid out", std::nullopt;
  out.resize(length, 0);
  // Entry i sits at length - m - jumps - 2 - i; entry newV is the end of data.
  const std::size_t entry0 = length - m - jumps - 2;
  for (std::size_t i = 0; i <= newV; ++i)
    out[entry0 - i] = static_cast<std::uint8_t>(offsets[i] & 0xFF);
  for (std::size_t j = 0; j < jumps; ++j) {
    std::uint8_t first = 0xFF;
    if (j < usable) {
      // No entry may reach this boundary (padding): a value no entry has.
      if (newV + 1 > 0xFF) return why = "the row's jump table cannot be laid out", std::nullopt;
      first = static_cast<std::uint8_t>(newV + 1);
      for (std::size_t i = 0; i <= newV; ++i)
        if (offsets[i] >= 256 * (j + 1)) {
          first = static_cast<std::uint8_t>(i);
          break;
        }
    }
    out[length - m - 2 - j] = first;
  }
  out[length - m - 1] = static_cast<std::uint8_t>(newV);
  std::copy(mask.begin(), mask.end(), out.end() - static_cast<std::ptrdiff_t>(m));
  return out;
}

}  // namespace engine
