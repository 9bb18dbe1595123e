#include "engine/write/long_value_encoder.h"

#include <algorithm>

#include "engine/format/layout_long_value.h"

namespace engine {

namespace lv = layout::long_value;

namespace {

Bytes reference(std::uint32_t lengthAndForm, RowPointer first,
                const std::array<std::uint8_t, 4>& unknown) {
  Bytes out;
  out.reserve(lv::kReferenceSize);
  appendU32(out, lengthAndForm);
  appendU32(out, rowPointer(first.page, first.row));
  appendBytes(out, unknown);
  return out;
}

}  // namespace

std::size_t maxLongValueRow(std::size_t pageSize, std::size_t headerSize) {
  return pageSize - headerSize - lv::kRowSizeMargin;
}

Bytes encodeLongValue(std::span<const std::uint8_t> data, std::size_t maxRow,
                      const std::array<std::uint8_t, 4>& unknown, const AddLongValueRow& addRow) {
  const auto length = static_cast<std::uint32_t>(data.size());
  if (data.size() <= lv::kMaxInline) {
    auto out = reference(length | lv::kInlineFlag, {}, unknown);
    appendBytes(out, data);
    return out;
  }
  if (data.size() <= maxRow) return reference(length | lv::kSingleRowFlag, addRow(data), unknown);
  const std::size_t chunk = maxRow - lv::kChainLinkSize;
  const std::size_t chunks = (data.size() + chunk - 1) / chunk;
  RowPointer next{};
  for (std::size_t i = chunks; i-- > 0;) {
    Bytes row;
    appendU32(row, i + 1 < chunks ? rowPointer(next.page, next.row) : 0);
    const std::size_t from = i * chunk;
    appendBytes(row, data.subspan(from, std::min(chunk, data.size() - from)));
    next = addRow(row);
  }
  return reference(length, next, unknown);
}

}  // namespace engine
