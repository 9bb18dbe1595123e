#include "engine/create_long_value.h"

#include <vector>

#include "engine/create_format.h"
#include "engine/create_refusal.h"

namespace engine::create {

namespace {

// Bits 0-29 of the reference's first word hold the length.
constexpr std::size_t kMaxLongValueLength = (1u << 30) - 1;

Bytes reference(std::uint32_t lengthAndKind, RowLocation first) {
  Bytes out(kLongValueReferenceSize, 0);
  putU32(out, 0, lengthAndKind);
  putU32(out, 4, rowPointer(first.page, first.row));
  return out;
}

}  // namespace

LongValueWriter::LongValueWriter(PageFile& file) : pages_(file, kLongValuePageTag) {}

Bytes LongValueWriter::write(std::span<const std::uint8_t> data) {
  if (data.size() > kMaxLongValueLength) throw Refusal("a memo or OLE value is too large");
  const auto length = static_cast<std::uint32_t>(data.size());
  if (data.size() <= kLongValueInlineLimit) {
    auto out = reference(kLongValueInline | length, {});
    appendBytes(out, data);
    return out;
  }
  if (data.size() <= kMaxLongValueRowSize) {
    auto where = pages_.add(data);
    return reference(kLongValueSingle | length, where);
  }
  // A chain: the rows are added last chunk first, so that each row already
  // knows where its successor lies.
  const std::size_t chunk = kMaxLongValueRowSize - kLongValueLinkSize;
  std::vector<std::span<const std::uint8_t>> chunks;
  for (std::size_t at = 0; at < data.size(); at += chunk)
    chunks.push_back(data.subspan(at, std::min(chunk, data.size() - at)));
  RowLocation next{};
  bool hasNext = false;
  for (auto it = chunks.rbegin(); it != chunks.rend(); ++it) {
    Bytes row(kLongValueLinkSize, 0);
    if (hasNext) putU32(row, 0, rowPointer(next.page, next.row));
    appendBytes(row, *it);
    next = pages_.add(row);
    hasNext = true;
  }
  return reference(length, next);
}

}  // namespace engine::create
