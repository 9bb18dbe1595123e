#include "engine/create_table_definition.h"

#include <algorithm>

#include "engine/create_format.h"
#include "engine/create_text.h"

namespace engine::create {

namespace {

void appendName(Bytes& out, std::u16string_view name) {
  auto bytes = utf16Bytes(name);
  appendU16(out, static_cast<std::uint16_t>(bytes.size()));
  appendBytes(out, bytes);
}

void appendColumnDescriptor(Bytes& out, const ColumnLayout& column, bool system) {
  Bytes d(kColumnDescriptorSize, 0);
  d[0] = column.type;
  putU32(d, 1, kTdefMagic);
  putU16(d, 5, column.number);
  putU16(d, 7, column.fixed() ? 0 : column.variableIndex);
  putU16(d, 9, system ? 0 : column.number);
  putU16(d, 11, kSortOrderGeneral);  // Access writes the sort order on every column
  d[14] = 0;                         // sort-order version: General Legacy
  d[15] = column.flags;
  d[16] = column.extendedFlags;
  putU16(d, 21, column.fixed() ? column.fixedOffset : 0);
  putU16(d, 23, column.length);
  appendBytes(out, d);
}

void appendRealIndex(Bytes& out, const RealIndexDefinition& index) {
  Bytes b(kRealIndexBlockSize, 0);
  putU32(b, 0, kRealIndexMagic);
  for (std::size_t slot = 0; slot < kIndexColumnSlots; ++slot) {
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
  Bytes b(kLogicalIndexBlockSize, 0);
  putU32(b, 0, kTdefMagic);
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
  Bytes out(kTdefVariablePartOffset, 0);
  out[0] = kPageTypeTableDefinition;
  out[1] = 0x01;
  putU32(out, kTdefMagicOffset, kTdefMagic);
  putU32(out, kTdefRowCountOffset, definition.rowCount);
  out[kTdefAutoNumberFlagOffset] = 1;
  out[kTdefTableTypeOffset] = layout.system ? kTableTypeSystem : kTableTypeUser;
  putU16(out, kTdefMaxColumnsOffset, static_cast<std::uint16_t>(layout.columns.size()));
  putU16(out, kTdefVariableColumnsOffset, layout.variableColumns);
  putU16(out, kTdefColumnCountOffset, static_cast<std::uint16_t>(layout.columns.size()));
  putU32(out, kTdefLogicalIndexCountOffset,
         static_cast<std::uint32_t>(definition.logicalIndexes.size()));
  putU32(out, kTdefRealIndexCountOffset, static_cast<std::uint32_t>(definition.realIndexes.size()));
  putU32(out, kTdefUsageMapOffset, definition.usageMap);
  putU32(out, kTdefFreeSpaceMapOffset, definition.freeSpaceMap);

  for (const auto& index : definition.realIndexes) {
    Bytes counter(kRealIndexCounterSize, 0);
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
  putU32(out, kTdefLengthOffset, static_cast<std::uint32_t>(out.size()));
  return out;
}

void writeTableDefinition(PageFile& file, std::uint32_t firstPage, const Bytes& bytes) {
  // The first page takes the buffer as it is; each further page repeats the
  // 8-byte page header and continues the content.
  std::size_t at = 0;
  std::uint32_t pageNumber = firstPage;
  for (;;) {
    auto page = file.page(pageNumber);
    const std::size_t headerSize = at == 0 ? 0 : kTdefPageHeaderSize;
    const std::size_t room = kPageSize - headerSize;
    const std::size_t n = std::min(room, bytes.size() - at);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n,
                page.begin() + static_cast<std::ptrdiff_t>(headerSize));
    page[0] = kPageTypeTableDefinition;
    page[1] = 0x01;
    // Free space as Access records it: what is left after the used bytes, less 8.
    const std::size_t used = headerSize + n;
    putU16(page, 2, static_cast<std::uint16_t>(used + 8 >= kPageSize ? 0 : kPageSize - used - 8));
    at += n;
    if (at >= bytes.size()) {
      putU32(page, kTdefNextPageOffset, 0);
      return;
    }
    auto next = file.allocate();
    putU32(file.page(pageNumber), kTdefNextPageOffset, next);
    pageNumber = next;
  }
}

}  // namespace engine::create
