#include "engine/create/long_value.h"

#include "engine/create/refusal.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_long_value.h"
#include "engine/write/long_value_encoder.h"

namespace engine::create {

namespace lv = layout::long_value;

namespace {

const std::size_t kMaxRow =
    maxLongValueRow(layout::header::kPageSizeJet4, layout::data_page::kHeaderSizeJet4);

}  // namespace

LongValueWriter::LongValueWriter(PageFile& file) : pages_(file, lv::kPageOwner) {}

Bytes LongValueWriter::write(std::span<const std::uint8_t> data) {
  if (data.size() > lv::kLengthMask) throw Refusal("a memo or OLE value is too large");
  return encodeLongValue(data, kMaxRow, {},
                         [this](std::span<const std::uint8_t> row) { return pages_.add(row); });
}

}  // namespace engine::create
