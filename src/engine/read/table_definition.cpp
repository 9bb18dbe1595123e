#include "engine/read/table_definition.h"

#include <algorithm>
#include <unordered_set>

#include "engine/base/error.h"
#include "engine/format/jet_type.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_index.h"
#include "engine/format/layout_tdef.h"
#include "engine/text/simple_case.h"
#include "engine/text/text_codec.h"

namespace engine {

namespace td = layout::tdef;
namespace ix = layout::index;

bool ColumnDefinition::isFixedLength() const { return (flags & td::kColumnFixed) != 0; }
bool ColumnDefinition::isAutoNumber() const { return (flags & td::kColumnAutoNumber) != 0; }
bool ColumnDefinition::isAutoGuid() const { return (flags & td::kColumnAutoGuid) != 0; }
bool ColumnDefinition::isHyperlink() const {
  return type == static_cast<std::uint8_t>(JetType::Memo) && (flags & td::kColumnHyperlink);
}
bool ColumnDefinition::isCalculated() const {
  return (extendedFlags & td::kColumnCalculated) == td::kColumnCalculated;
}
bool ColumnDefinition::allowsCompression() const {
  return (extendedFlags & td::kColumnCompressedUnicode) != 0;
}
bool ColumnDefinition::isLongValue() const {
  return type == static_cast<std::uint8_t>(JetType::Memo) ||
         type == static_cast<std::uint8_t>(JetType::Ole);
}
const Property* ColumnDefinition::property(std::u16string_view wanted) const {
  for (const auto& p : properties)
    if (equalsIgnoringCase(p.name, wanted)) return &p;
  return nullptr;
}

void attachProperties(TableDefinition& table, std::vector<PropertySet> sets) {
  for (auto& set : sets) {
    if (!set.isColumn) {
      table.properties = std::move(set.properties);
      continue;
    }
    int position = table.columnIndex(set.target);
    if (position >= 0) table.columns[position].properties = std::move(set.properties);
  }
  for (auto& column : table.columns) {
    if (!column.isCalculated()) continue;
    const Property* result = column.property(u"ResultType");
    if (result && result->value.is<std::uint8_t>())
      column.resultType = result->value.as<std::uint8_t>();
  }
}

std::size_t ColumnDefinition::maxCharacters(const Format& format) const {
  if (type != static_cast<std::uint8_t>(JetType::Text)) return 0;
  return format.isJet3() ? length : length / 2u;
}

bool RealIndex::isUnique() const { return (flags & ix::kIndexUnique) != 0; }
bool RealIndex::ignoresNulls() const { return (flags & ix::kIndexIgnoreNulls) != 0; }

int TableDefinition::columnIndex(std::u16string_view wanted) const {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (equalsIgnoringCase(columns[i].name, wanted)) return static_cast<int>(i);
  return -1;
}

const RealIndex& TableDefinition::realIndexOf(const IndexDefinition& index) const {
  return realIndexes.at(index.realIndex);
}

namespace {

// The definition buffer: first page whole, then bytes 8.. of each next page.
std::vector<std::uint8_t> readChain(Pager& pager, std::uint32_t first,
                                    std::vector<std::uint32_t>& chain) {
  std::vector<std::uint8_t> buffer;
  std::unordered_set<std::uint32_t> visited;
  std::uint32_t page = first;
  while (page != 0) {
    if (!visited.insert(page).second)
      throw Error::damaged(pager.path(), page, "the table definition's page chain loops");
    PageRef ref = pager.page(page);
    BoundedBytes bytes = pager.view(ref, page);
    if (bytes.u8(0) != layout::data_page::kTypeTableDefinition)
      bytes.fail("expected a table definition page, found page type " +
                 std::to_string(bytes.u8(0)));
    chain.push_back(page);
    auto content = bytes.all();
    if (page == first)
      buffer.insert(buffer.end(), content.begin(), content.end());
    else
      buffer.insert(buffer.end(), content.begin() + td::kContinuationHeader, content.end());
    page = bytes.u32(td::kNextPage);
  }
  return buffer;
}

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

TableDefinition readTableDefinition(Pager& pager, const Format& format, std::uint32_t page,
                                    std::u16string name) {
  TableDefinition def;
  def.name = std::move(name);
  def.page = page;
  std::vector<std::uint8_t> storage = readChain(pager, page, def.chain);
  BoundedBytes buf(storage, page, pager.path());

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
    distinctCounts.push_back(buf.u32(pos + i * o.realIndexCounterSize + 4));
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
    index.cascadeUpdates = (l.u8(ix::kLogicalCascadeUpdates) & 0x01) != 0;
    index.cascadeDeletes = (l.u8(ix::kLogicalCascadeDeletes) & 0x01) != 0;
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
      if (number == td::kLongValueMapsEnd || pos + 10 > buf.size()) break;
      def.longValueMaps.push_back({number, buf.u32(pos + 2), buf.u32(pos + 6)});
      pos += 10;
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

}  // namespace engine
