#include <unordered_set>

#include "engine/error.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_index.h"
#include "engine/format/layout_tdef.h"
#include "engine/jet_type.h"
#include "engine/read/table_definition_codec.h"
#include "engine/simple_case.h"

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

}  // namespace

TableDefinition readTableDefinition(Pager& pager, const Format& format, std::uint32_t page,
                                    std::u16string name) {
  std::vector<std::uint32_t> chain;
  std::vector<std::uint8_t> storage = readChain(pager, page, chain);
  TableDefinition def = decodeTableDefinition(BoundedBytes(storage, page, pager.path()), format);
  def.name = std::move(name);
  def.page = page;
  def.chain = std::move(chain);
  return def;
}

}  // namespace engine
