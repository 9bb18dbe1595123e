#include "engine/create/table_definition.h"

#include <algorithm>

#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_tdef.h"
#include "engine/read/table_definition_codec.h"

namespace engine::create {

namespace dp = layout::data_page;
namespace h = layout::header;
namespace td = layout::tdef;

void writeTableDefinition(PageFile& file, const TableDefinition& table,
                          std::span<const std::size_t> descriptorOrder) {
  const Bytes bytes = encodeTableDefinition(table, descriptorOrder);
  // The first page takes the buffer as it is; each further page repeats the
  // 8-byte page header and continues the content.
  std::size_t at = 0;
  std::uint32_t pageNumber = table.page;
  for (;;) {
    auto page = file.page(pageNumber);
    const std::size_t headerSize = at == 0 ? 0 : td::kContinuationHeader;
    const std::size_t room = h::kPageSizeJet4 - headerSize;
    const std::size_t n = std::min(room, bytes.size() - at);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n,
                page.begin() + static_cast<std::ptrdiff_t>(headerSize));
    page[0] = dp::kTypeTableDefinition;
    page[1] = 0x01;
    // Free space as Access records it: what is left after the used bytes, less 8.
    const std::size_t used = headerSize + n;
    putU16(
        page, 2,
        static_cast<std::uint16_t>(used + 8 >= h::kPageSizeJet4 ? 0 : h::kPageSizeJet4 - used - 8));
    at += n;
    if (at >= bytes.size()) {
      putU32(page, td::kNextPage, 0);
      return;
    }
    auto next = file.allocate();
    putU32(file.page(pageNumber), td::kNextPage, next);
    pageNumber = next;
  }
}

}  // namespace engine::create
