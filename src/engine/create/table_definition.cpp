#include "engine/create/table_definition.h"

#include <algorithm>

#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_index.h"
#include "engine/format/layout_tdef.h"
#include "engine/text/text_encoder.h"

namespace engine::create {

namespace dp = layout::data_page;
namespace h = layout::header;
namespace ix = layout::index;
namespace td = layout::tdef;

namespace {

void appendName(Bytes& out, std::u16string_view name) {
  auto bytes = utf16Bytes(name);
  appendU16(out, static_cast<std::uint16_t>(bytes.size()));
  appendBytes(out, bytes);
}

void appendColumnDescriptor(Bytes& out, const ColumnLayout& column, bool system) {
  Bytes d(td::kColumnJet4.size, 0);
  d[0] = static_cast<std::uint8_t>(column.type);
  putU32(d, 1, td::kMagic);
  putU16(d, 5, column.number);
  putU16(d, 7, column.fixed() ? 0 : column.variableIndex);
  putU16(d, 9, system ? 0 : column.number);
  putU16(d, 11, h::kSortOrderGeneral);  // Access writes the sort order on every column
  d[14] = 0;                            // sort-order version: General Legacy
  d[15] = column.flags;
  d[16] = column.extendedFlags;
  putU16(d, 21, column.fixed() ? column.fixedOffset : 0);
  putU16(d, 23, column.length);
  appendBytes(out, d);
}

void appendRealIndex(Bytes& out, const RealIndexDefinition& index) {
  Bytes b(ix::kRealIndexSizeJet4, 0);
  putU32(b, 0, ix::kRealIndexMagic);
  for (std::size_t slot = 0; slot < ix::kRealIndexColumnSlots; ++slot) {
    const std::size_t at = 4 + 3 * slot;
    if (slot < index.columnNumbers.size()) {
      putU16(b, at, index.columnNumbers[slot]);
      b[at + 2] = 0x01;  // ascending
    } else {
      putU16(b, at, 0xFFFF);
    }
  }
  putU32(b, 34, index.usageMap);
  putU32(b, 38, index.rootPage);
  b[46] = index.flags;
  appendBytes(out, b);
}

void appendLogicalIndex(Bytes& out, std::uint32_t number, const LogicalIndexDefinition& index) {
  Bytes b(ix::kLogicalIndexSizeJet4, 0);
  putU32(b, 0, td::kMagic);
  putU32(b, 4, number);
  putU32(b, 8, index.realIndex);
  b[12] = 0;                  // related table type
  putU32(b, 13, 0xFFFFFFFF);  // no related logical index
  putU32(b, 17, 0);           // no related table
  b[21] = 0x04;               // the values Access writes for no cascades
  b[22] = 0x04;
  b[23] = index.kind;
  appendBytes(out, b);
}

}  // namespace

Bytes tableDefinitionBytes(const TableDefinition& definition) {
  const auto& layout = *definition.layout;
  Bytes out(td::kJet4.variablePart, 0);
  out[0] = dp::kTypeTableDefinition;
  out[1] = 0x01;
  putU32(out, td::kMagicJet4, td::kMagic);
  putU32(out, td::kJet4.rowCount, definition.rowCount);
  out[td::kAutoNumberFlagJet4] = 1;
  out[td::kJet4.tableType] = layout.system ? td::kTableTypeSystem : td::kTableTypeUser;
  putU16(out, td::kJet4.maxColumns, static_cast<std::uint16_t>(layout.columns.size()));
  putU16(out, td::kJet4.variableColumns, layout.variableColumns);
  putU16(out, td::kJet4.columns, static_cast<std::uint16_t>(layout.columns.size()));
  putU32(out, td::kJet4.logicalIndexes,
         static_cast<std::uint32_t>(definition.logicalIndexes.size()));
  putU32(out, td::kJet4.realIndexes, static_cast<std::uint32_t>(definition.realIndexes.size()));
  putU32(out, td::kJet4.ownedPagesMap, definition.usageMap);
  putU32(out, td::kJet4.freePagesMap, definition.freeSpaceMap);

  for (const auto& index : definition.realIndexes) {
    Bytes counter(td::kJet4.realIndexCounterSize, 0);
    putU32(counter, 4, index.entryCount);
    appendBytes(out, counter);
  }
  for (auto i : layout.descriptorOrder)
    appendColumnDescriptor(out, layout.columns[i], layout.system);
  for (auto i : layout.descriptorOrder) appendName(out, layout.columns[i].name);
  for (const auto& index : definition.realIndexes) appendRealIndex(out, index);
  for (std::size_t i = 0; i < definition.logicalIndexes.size(); ++i)
    appendLogicalIndex(out, static_cast<std::uint32_t>(i), definition.logicalIndexes[i]);
  for (const auto& index : definition.logicalIndexes) appendName(out, index.name);
  for (const auto& maps : definition.longValueMaps) {
    appendU16(out, maps.columnNumber);
    appendU32(out, maps.ownedPages);
    appendU32(out, maps.freePages);
  }
  appendU16(out, 0xFFFF);
  putU32(out, td::kJet4.definitionLength, static_cast<std::uint32_t>(out.size()));
  return out;
}

void writeTableDefinition(PageFile& file, std::uint32_t firstPage, const Bytes& bytes) {
  // The first page takes the buffer as it is; each further page repeats the
  // 8-byte page header and continues the content.
  std::size_t at = 0;
  std::uint32_t pageNumber = firstPage;
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
