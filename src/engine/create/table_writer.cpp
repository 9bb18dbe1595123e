#include "engine/create/table_writer.h"

#include <memory>
#include <optional>

#include "engine/create/index_builder.h"
#include "engine/create/long_value.h"
#include "engine/create/refusal.h"
#include "engine/create/row.h"
#include "engine/create/row_pages.h"
#include "engine/create/table_definition.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_index.h"
#include "engine/utf.h"

namespace engine::create {

namespace dp = layout::data_page;
namespace ix = layout::index;

std::uint8_t userIndexFlags(bool primary, bool unique) {
  std::uint8_t flags = ix::kIndexJet4Marker;
  if (primary || unique) flags |= ix::kIndexUnique;
  if (primary) flags |= ix::kIndexRequired;
  return flags;
}

void writeTable(PageFile& file, UsageMaps& maps, TableDefinition table,
                std::span<const std::size_t> descriptorOrder,
                const std::vector<std::vector<Value>>& rows,
                const std::vector<IndexSpec>& indexes) {
  const auto columnCount = table.columns.size();
  std::vector<std::unique_ptr<LongValueWriter>> longValues(columnCount);
  for (std::size_t i = 0; i < columnCount; ++i)
    if (table.columns[i].isLongValue()) longValues[i] = std::make_unique<LongValueWriter>(file);

  std::vector<IndexBuilder> indexBuilders;
  for (const auto& index : indexes) indexBuilders.emplace_back(table, index);

  // Long values first, so that the table's data pages follow one another.
  std::vector<Bytes> images;
  images.reserve(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto& values = rows[r];
    if (values.size() != columnCount)
      throw Refusal("row " + std::to_string(r + 1) + " of table '" + toUtf8(table.name) + "' has " +
                    std::to_string(values.size()) + " values for " + std::to_string(columnCount) +
                    " columns");
    std::vector<StoredField> fields(columnCount);
    for (std::size_t i = 0; i < columnCount; ++i) {
      const auto& column = table.columns[i];
      const auto place = valuePlace(table.name, r, column);
      if (column.isLongValue()) {
        auto bytes = longValueBytes(column, values[i], place);
        if (bytes) fields[i] = {true, longValues[i]->write(*bytes)};
      } else {
        fields[i] = storeValue(column, values[i], place);
      }
    }
    for (auto& builder : indexBuilders) builder.addRow(r, fields, values);
    images.push_back(encodeRow(table, fields));
    if (images.back().size() > dp::kMaxRowSizeJet4)
      throw Refusal("row " + std::to_string(r + 1) + " of table '" + toUtf8(table.name) +
                    "' is too large for a page");
  }

  RowPages dataPages(file, table.page);
  std::vector<RowPointer> locations;
  locations.reserve(images.size());
  for (const auto& image : images) locations.push_back(dataPages.add(image));

  table.rowCount = static_cast<std::uint32_t>(rows.size());
  table.ownedPagesMap = maps.add(dataPages.pages());
  table.freePagesMap = maps.add(dataPages.pagesWithFreeSpace());
  for (std::size_t i = 0; i < columnCount; ++i) {
    if (!longValues[i]) continue;
    const auto& pages = longValues[i]->pages();
    table.longValueMaps.push_back(
        {table.columns[i].number, maps.add(pages.pages()), maps.add(pages.pagesWithFreeSpace())});
  }
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    table.realIndexes.push_back(indexBuilders[i].write(file, maps, table.page, locations));
    IndexDefinition logical;
    logical.name = indexes[i].name;
    logical.number = static_cast<std::uint32_t>(i);
    logical.realIndex = static_cast<std::uint32_t>(i);
    logical.kind = indexes[i].primary ? ix::kLogicalKindPrimary : ix::kLogicalKindOther;
    table.indexes.push_back(std::move(logical));
  }
  writeTableDefinition(file, table, descriptorOrder);
}

}  // namespace engine::create
