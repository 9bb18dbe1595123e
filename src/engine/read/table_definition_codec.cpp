#include "engine/read/table_definition_codec.h"

#include <algorithm>
#include <string>

#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_index.h"
#include "engine/format/layout_tdef.h"
#include "engine/jet_type.h"
#include "engine/text/text_codec.h"
#include "engine/text/text_encoder.h"

namespace engine {

namespace td = layout::tdef;
namespace ix = layout::index;

namespace {

std::u16string readName(const BoundedBytes& buf, std::size_t& pos, const Format& format) {
  if (format.isJet3()) {
    std::size_t len = buf.u8(pos);
    pos += 1;
    auto bytes = buf.slice(pos, len);
    pos += len;
    return decodeCodePage1252(bytes);
  }
  std::size_t len = buf.u16(pos);
  pos += 2;
  auto bytes = buf.slice(pos, len);
  pos += len;
  return decodeJet4Text(bytes);
}

void requireRoom(const BoundedBytes& buf, std::size_t pos, std::uint64_t count, std::size_t each,
                 const char* what) {
  if (pos > buf.size() || count * each > buf.size() - pos)
    buf.fail(std::to_string(count) + " " + what + " do not fit the table definition");
}

}  // namespace

TableDefinition decodeTableDefinition(const BoundedBytes& buf, const Format& format) {
  TableDefinition def;
  const td::Offsets& o = format.isJet3() ? td::kJet3 : td::kJet4;
  const td::ColumnOffsets& co = format.isJet3() ? td::kColumnJet3 : td::kColumnJet4;
  def.rowCount = buf.u32(o.rowCount);
  def.autoNumber = buf.u32(o.autoNumber);
  def.tableType = buf.u8(o.tableType);
  def.maxColumns = buf.u16(o.maxColumns);
  def.variableColumnCount = buf.u16(o.variableColumns);
  std::size_t columnCount = buf.u16(o.columns);
  std::uint32_t logicalCount = buf.u32(o.logicalIndexes);
  std::uint32_t realCount = buf.u32(o.realIndexes);
  def.ownedPagesMap = buf.u32(o.ownedPagesMap);
  def.freePagesMap = buf.u32(o.freePagesMap);

  std::size_t pos = o.variablePart;
  requireRoom(buf, pos, realCount, o.realIndexCounterSize, "index counters");
  std::vector<std::uint32_t> distinctCounts;
  for (std::uint32_t i = 0; i < realCount; ++i)
    distinctCounts.push_back(buf.u32(pos + i * o.realIndexCounterSize + td::kRealIndexDistinct));
  pos += realCount * o.realIndexCounterSize;

  requireRoom(buf, pos, columnCount, co.size, "column descriptors");
  std::vector<ColumnDefinition> columns(columnCount);
  for (auto& c : columns) {
    BoundedBytes d = buf.sub(pos, co.size);
    c.type = d.u8(co.type);
    c.number = d.u16(co.number);
    c.variableIndex = d.u16(co.variableIndex);
    c.flags = d.u8(co.flags);
    c.fixedOffset = d.u16(co.fixedOffset);
    c.length = d.u16(co.length);
    c.resultType = c.type;
    if (co.extendedFlags != td::kAbsent) c.extendedFlags = d.u8(co.extendedFlags);
    switch (static_cast<JetType>(c.type)) {
      case JetType::Decimal:
        c.precision = d.u8(co.precision);
        c.scale = d.u8(co.scale);
        break;
      case JetType::Complex:
        if (co.complexId != td::kAbsent)
          c.complexId = static_cast<std::int32_t>(d.u32(co.complexId));
        break;
      case JetType::Text:
      case JetType::Memo:
        c.sortOrder = d.u16(co.sortOrder);
        if (co.codePage != td::kAbsent) c.codePage = d.u16(co.codePage);
        if (co.sortVersion != td::kAbsent) c.sortVersion = d.u8(co.sortVersion);
        break;
      default:
        break;
    }
    pos += co.size;
  }
  for (auto& c : columns) c.name = readName(buf, pos, format);

  const bool jet3 = format.isJet3();
  const std::size_t realSize = jet3 ? ix::kRealIndexSizeJet3 : ix::kRealIndexSizeJet4;
  requireRoom(buf, pos, realCount, realSize, "index blocks");
  for (std::uint32_t i = 0; i < realCount; ++i) {
    BoundedBytes r = buf.sub(pos, realSize);
    RealIndex index;
    std::size_t slots = jet3 ? ix::kRealIndexColumnsJet3 : ix::kRealIndexColumnsJet4;
    for (std::size_t s = 0; s < ix::kRealIndexColumnSlots; ++s) {
      std::uint16_t number = r.u16(slots + s * ix::kRealIndexColumnSlotSize);
      if (number == ix::kUnusedColumnSlot) continue;
      std::uint8_t flags = r.u8(slots + s * ix::kRealIndexColumnSlotSize + 2);
      index.columns.push_back({number, -1, (flags & ix::kColumnAscending) != 0});
    }
    index.usageMap = r.u32(jet3 ? ix::kRealIndexUsageMapJet3 : ix::kRealIndexUsageMapJet4);
    index.rootPage = r.u32(jet3 ? ix::kRealIndexRootJet3 : ix::kRealIndexRootJet4);
    index.flags = r.u8(jet3 ? ix::kRealIndexFlagsJet3 : ix::kRealIndexFlagsJet4);
    index.distinctCount = distinctCounts[i];
    def.realIndexes.push_back(std::move(index));
    pos += realSize;
  }

  const std::size_t logicalSize = jet3 ? ix::kLogicalIndexSizeJet3 : ix::kLogicalIndexSizeJet4;
  const std::size_t fields = jet3 ? ix::kLogicalFieldsJet3 : ix::kLogicalFieldsJet4;
  requireRoom(buf, pos, logicalCount, logicalSize, "index definitions");
  for (std::uint32_t i = 0; i < logicalCount; ++i) {
    BoundedBytes l = buf.sub(pos + fields, logicalSize - fields);
    IndexDefinition index;
    index.number = l.u32(ix::kLogicalNumber);
    index.realIndex = l.u32(ix::kLogicalRealIndex);
    index.relatedTable = l.u32(ix::kLogicalRelatedTable);
    index.cascadeUpdates = (l.u8(ix::kLogicalCascadeUpdates) & ix::kCascade) != 0;
    index.cascadeDeletes = (l.u8(ix::kLogicalCascadeDeletes) & ix::kCascade) != 0;
    index.kind = l.u8(ix::kLogicalKind);
    if (index.realIndex >= realCount)
      buf.fail("index " + std::to_string(i) + " refers to a missing index block");
    def.indexes.push_back(std::move(index));
    pos += logicalSize;
  }
  for (auto& index : def.indexes) index.name = readName(buf, pos, format);

  if (!jet3) {
    // Long-value column maps, until column number 0xFFFF (or the buffer ends).
    while (pos + 2 <= buf.size()) {
      std::uint16_t number = buf.u16(pos);
      if (number == td::kLongValueMapsEnd || pos + td::kLongValueMapsSize > buf.size()) break;
      def.longValueMaps.push_back({number, buf.u32(pos + 2), buf.u32(pos + 6)});
      pos += td::kLongValueMapsSize;
    }
  }

  std::stable_sort(
      columns.begin(), columns.end(),
      [](const ColumnDefinition& a, const ColumnDefinition& b) { return a.number < b.number; });
  def.columns = std::move(columns);
  for (auto& index : def.realIndexes)
    for (auto& column : index.columns)
      for (std::size_t p = 0; p < def.columns.size(); ++p)
        if (def.columns[p].number == column.columnNumber)
          column.columnPosition = static_cast<int>(p);
  return def;
}

namespace {

void appendName(Bytes& out, std::u16string_view name) {
  const Bytes bytes = utf16Bytes(name);
  appendU16(out, static_cast<std::uint16_t>(bytes.size()));
  appendBytes(out, bytes);
}

void appendColumnDescriptor(Bytes& out, const ColumnDefinition& column, std::uint8_t tableType) {
  const td::ColumnOffsets& co = td::kColumnJet4;
  Bytes d(co.size, 0);
  d[co.type] = column.type;
  putU32(d, td::kColumnMagicJet4, td::kMagic);
  putU16(d, co.number, column.number);
  putU16(d, co.variableIndex, column.variableIndex);
  // Access repeats the number in user tables' descriptors only.
  putU16(d, td::kColumnNumberAgainJet4, tableType == td::kTableTypeSystem ? 0 : column.number);
  // The bytes from the sort order on serve each type its own way; types
  // without a use for them get the General sort order, as Access writes it.
  switch (static_cast<JetType>(column.type)) {
    case JetType::Decimal:
      d[co.precision] = column.precision;
      d[co.scale] = column.scale;
      break;
    case JetType::Complex:
      putU32(d, co.complexId, static_cast<std::uint32_t>(column.complexId));
      break;
    case JetType::Text:
    case JetType::Memo:
      putU16(d, co.sortOrder, column.sortOrder);
      d[co.sortVersion] = column.sortVersion;
      break;
    default:
      putU16(d, co.sortOrder, layout::header::kSortOrderGeneral);
      break;
  }
  d[co.flags] = column.flags;
  d[co.extendedFlags] = column.extendedFlags;
  putU16(d, co.fixedOffset, column.fixedOffset);
  putU16(d, co.length, column.length);
  appendBytes(out, d);
}

void appendRealIndex(Bytes& out, const RealIndex& index) {
  Bytes b(ix::kRealIndexSizeJet4, 0);
  putU32(b, 0, ix::kRealIndexMagic);
  for (std::size_t slot = 0; slot < ix::kRealIndexColumnSlots; ++slot) {
    const std::size_t at = ix::kRealIndexColumnsJet4 + slot * ix::kRealIndexColumnSlotSize;
    if (slot < index.columns.size()) {
      putU16(b, at, index.columns[slot].columnNumber);
      b[at + 2] = index.columns[slot].ascending ? ix::kColumnAscending : 0;
    } else {
      putU16(b, at, ix::kUnusedColumnSlot);
    }
  }
  putU32(b, ix::kRealIndexUsageMapJet4, index.usageMap);
  putU32(b, ix::kRealIndexRootJet4, index.rootPage);
  b[ix::kRealIndexFlagsJet4] = index.flags;
  appendBytes(out, b);
}

void appendLogicalIndex(Bytes& out, const IndexDefinition& index) {
  Bytes b(ix::kLogicalIndexSizeJet4, 0);
  putU32(b, 0, td::kMagic);
  const auto fields = std::span(b).subspan(ix::kLogicalFieldsJet4);
  putU32(fields, ix::kLogicalNumber, index.number);
  putU32(fields, ix::kLogicalRealIndex, index.realIndex);
  putU32(fields, ix::kLogicalRelatedIndex, ix::kNoRelatedIndex);
  putU32(fields, ix::kLogicalRelatedTable, index.relatedTable);
  fields[ix::kLogicalCascadeUpdates] = ix::kNoCascade | (index.cascadeUpdates ? ix::kCascade : 0);
  fields[ix::kLogicalCascadeDeletes] = ix::kNoCascade | (index.cascadeDeletes ? ix::kCascade : 0);
  fields[ix::kLogicalKind] = index.kind;
  appendBytes(out, b);
}

}  // namespace

Bytes encodeTableDefinition(const TableDefinition& table,
                            std::span<const std::size_t> descriptorOrder) {
  const td::Offsets& o = td::kJet4;
  Bytes out(o.variablePart, 0);
  out[0] = layout::data_page::kTypeTableDefinition;
  out[1] = 0x01;
  putU32(out, td::kMagicJet4, td::kMagic);
  putU32(out, o.rowCount, table.rowCount);
  putU32(out, o.autoNumber, table.autoNumber);
  out[td::kAutoNumberFlagJet4] = 1;
  out[o.tableType] = table.tableType;
  putU16(out, o.maxColumns, table.maxColumns);
  putU16(out, o.variableColumns, table.variableColumnCount);
  putU16(out, o.columns, static_cast<std::uint16_t>(table.columns.size()));
  putU32(out, o.logicalIndexes, static_cast<std::uint32_t>(table.indexes.size()));
  putU32(out, o.realIndexes, static_cast<std::uint32_t>(table.realIndexes.size()));
  putU32(out, o.ownedPagesMap, table.ownedPagesMap);
  putU32(out, o.freePagesMap, table.freePagesMap);

  for (const auto& index : table.realIndexes) {
    Bytes counter(o.realIndexCounterSize, 0);
    putU32(counter, td::kRealIndexDistinct, index.distinctCount);
    appendBytes(out, counter);
  }
  for (auto i : descriptorOrder) appendColumnDescriptor(out, table.columns[i], table.tableType);
  for (auto i : descriptorOrder) appendName(out, table.columns[i].name);
  for (const auto& index : table.realIndexes) appendRealIndex(out, index);
  for (const auto& index : table.indexes) appendLogicalIndex(out, index);
  for (const auto& index : table.indexes) appendName(out, index.name);
  for (const auto& maps : table.longValueMaps) {
    appendU16(out, maps.columnNumber);
    appendU32(out, maps.ownedPages);
    appendU32(out, maps.freePages);
  }
  appendU16(out, td::kLongValueMapsEnd);
  putU32(out, o.definitionLength, static_cast<std::uint32_t>(out.size()));
  return out;
}

}  // namespace engine
