#include "engine/create_table_writer.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <set>

#include "engine/create_format.h"
#include "engine/create_index_key.h"
#include "engine/create_index_pages.h"
#include "engine/create_long_value.h"
#include "engine/create_refusal.h"
#include "engine/create_row.h"
#include "engine/create_row_pages.h"
#include "engine/create_table_definition.h"
#include "engine/create_text.h"

namespace engine::create {

namespace {

// The keys of one index, row by row, while the rows are encoded.
struct IndexKeys {
  const IndexSpec* spec = nullptr;
  std::vector<Bytes> keys;
  std::vector<bool> hasNull;
};

void addKey(IndexKeys& index, const TableLayout& layout, std::size_t rowNumber,
            const std::vector<StoredField>& fields, const std::vector<ado::Value>& values) {
  Bytes key;
  bool hasNull = false;
  for (auto position : index.spec->columns) {
    const auto& column = layout.columns[position];
    const auto& field = fields[position];
    hasNull = hasNull || !field.present;
    if (!appendColumnKey(key, column, field.present, field.bytes, values[position]))
      throw Refusal("the index '" + toUtf8(index.spec->name) + "' cannot hold the value of " +
                    valuePlace(layout.name, rowNumber, column) +
                    ": it holds a character whose sort order is not known");
  }
  if (hasNull && index.spec->primary)
    throw Refusal("the primary key '" + toUtf8(index.spec->name) +
                  "' cannot hold the null in row " + std::to_string(rowNumber + 1) + " of table '" +
                  toUtf8(layout.name) + "'");
  index.keys.push_back(std::move(key));
  index.hasNull.push_back(hasNull);
}

// Writes the pages of one index and returns its definition.
RealIndexDefinition writeIndex(PageFile& file, UsageMaps& maps, std::uint32_t definitionPage,
                               const TableLayout& layout, const IndexKeys& index,
                               const std::vector<RowLocation>& locations) {
  std::vector<Bytes> entries;
  entries.reserve(index.keys.size());
  for (std::size_t r = 0; r < index.keys.size(); ++r)
    entries.push_back(leafEntry(index.keys[r], locations[r].page, locations[r].row));
  std::sort(entries.begin(), entries.end());

  std::set<Bytes> distinct;
  for (std::size_t r = 0; r < index.keys.size(); ++r) {
    const bool duplicate = !distinct.insert(index.keys[r]).second;
    if (duplicate && index.spec->unique && !index.hasNull[r])
      throw Refusal("the unique index '" + toUtf8(index.spec->name) + "' of table '" +
                    toUtf8(layout.name) + "' would hold row " + std::to_string(r + 1) +
                    "'s value twice");
  }

  auto pages = writeIndexPages(file, definitionPage, entries);
  RealIndexDefinition definition;
  for (auto position : index.spec->columns)
    definition.columnNumbers.push_back(layout.columns[position].number);
  definition.usageMap = maps.add(pages.pages);
  definition.rootPage = pages.rootPage;
  definition.flags = index.spec->flags;
  definition.entryCount = static_cast<std::uint32_t>(distinct.size());
  return definition;
}

}  // namespace

std::uint8_t userIndexFlags(bool primary, bool unique) {
  std::uint8_t flags = kIndexJet4Marker;
  if (primary || unique) flags |= kIndexUnique;
  if (primary) flags |= kIndexRequired;
  return flags;
}

void writeTable(PageFile& file, UsageMaps& maps, std::uint32_t definitionPage,
                const TableLayout& layout, const std::vector<std::vector<ado::Value>>& rows,
                const std::vector<IndexSpec>& indexes) {
  const auto columnCount = layout.columns.size();
  std::vector<std::unique_ptr<LongValueWriter>> longValues(columnCount);
  for (std::size_t i = 0; i < columnCount; ++i)
    if (layout.columns[i].longValue()) longValues[i] = std::make_unique<LongValueWriter>(file);

  std::vector<IndexKeys> indexKeys(indexes.size());
  for (std::size_t i = 0; i < indexes.size(); ++i) indexKeys[i].spec = &indexes[i];

  // Long values first, so that the table's data pages follow one another.
  std::vector<Bytes> images;
  images.reserve(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto& values = rows[r];
    if (values.size() != columnCount)
      throw Refusal("row " + std::to_string(r + 1) + " of table '" + toUtf8(layout.name) +
                    "' has " + std::to_string(values.size()) + " values for " +
                    std::to_string(columnCount) + " columns");
    std::vector<StoredField> fields(columnCount);
    for (std::size_t i = 0; i < columnCount; ++i) {
      const auto& column = layout.columns[i];
      const auto place = valuePlace(layout.name, r, column);
      if (column.longValue()) {
        auto bytes = longValueBytes(column, values[i], place);
        if (bytes) fields[i] = {true, longValues[i]->write(*bytes)};
      } else {
        fields[i] = storeValue(column, values[i], place);
      }
    }
    for (auto& index : indexKeys) addKey(index, layout, r, fields, values);
    images.push_back(encodeRow(layout, fields));
    if (images.back().size() > kMaxRowSize)
      throw Refusal("row " + std::to_string(r + 1) + " of table '" + toUtf8(layout.name) +
                    "' is too large for a page");
  }

  RowPages dataPages(file, definitionPage);
  std::vector<RowLocation> locations;
  locations.reserve(images.size());
  for (const auto& image : images) locations.push_back(dataPages.add(image));

  TableDefinition definition;
  definition.layout = &layout;
  definition.rowCount = static_cast<std::uint32_t>(rows.size());
  definition.usageMap = maps.add(dataPages.pages());
  definition.freeSpaceMap = maps.add(dataPages.pagesWithFreeSpace());
  for (std::size_t i = 0; i < columnCount; ++i) {
    if (!longValues[i]) continue;
    const auto& pages = longValues[i]->pages();
    definition.longValueMaps.push_back(
        {layout.columns[i].number, maps.add(pages.pages()), maps.add(pages.pagesWithFreeSpace())});
  }
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    definition.realIndexes.push_back(
        writeIndex(file, maps, definitionPage, layout, indexKeys[i], locations));
    definition.logicalIndexes.push_back(
        {indexes[i].name, static_cast<std::uint32_t>(i),
         indexes[i].primary ? kLogicalIndexPrimary : kLogicalIndexOther});
  }
  writeTableDefinition(file, definitionPage, tableDefinitionBytes(definition));
}

}  // namespace engine::create
