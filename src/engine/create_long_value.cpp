#include "engine/create_long_value.h"

#include <vector>

#include "engine/create_refusal.h"
#include "engine/layout_data_page.h"
#include "engine/layout_header.h"
#include "engine/layout_long_value.h"

namespace engine::create {

namespace lv = layout::long_value;

namespace {

constexpr std::size_t kMaxLongValueRowSize =
    layout::header::kPageSizeJet4 - layout::data_page::kHeaderSizeJet4 - lv::kRowSizeMargin;

Bytes reference(std::uint32_t lengthAndKind, RowLocation first) {
  Bytes out(lv::kReferenceSize, 0);
  putU32(out, 0, lengthAndKind);
  putU32(out, 4, rowPointer(first.page, first.row));
  return out;
}

}  // namespace

LongValueWriter::LongValueWriter(PageFile& file) : pages_(file, lv::kPageOwner) {}

Bytes LongValueWriter::write(std::span<const std::uint8_t> data) {
  if (data.size() > lv::kLengthMask) throw Refusal("a memo or OLE value is too large");
  const auto length = static_cast<std::uint32_t>(data.size());
  if (data.size() <= lv::kMaxInline) {
    auto out = reference(lv::kInlineFlag | length, {});
    appendBytes(out, data);
    return out;
  }
  if (data.size() <= kMaxLongValueRowSize) {
    auto where = pages_.add(data);
    return reference(lv::kSingleRowFlag | length, where);
  }
  // A chain: the rows are added last chunk first, so that each row already
  // knows where its successor lies.
  const std::size_t chunk = kMaxLongValueRowSize - lv::kChainLinkSize;
  std::vector<std::span<const std::uint8_t>> chunks;
  for (std::size_t at = 0; at < data.size(); at += chunk)
    chunks.push_back(data.subspan(at, std::min(chunk, data.size() - at)));
  RowLocation next{};
  bool hasNext = false;
  for (auto it = chunks.rbegin(); it != chunks.rend(); ++it) {
    Bytes row(lv::kChainLinkSize, 0);
    if (hasNext) putU32(row, 0, rowPointer(next.page, next.row));
    appendBytes(row, *it);
    next = pages_.add(row);
    hasNext = true;
  }
  return reference(length, next);
}

}  // namespace engine::create
