#include "engine/create/index_builder.h"

#include <algorithm>
#include <set>
#include <string>

#include "engine/create/index_pages.h"
#include "engine/create/refusal.h"
#include "engine/utf.h"
#include "engine/write/index_key.h"

namespace engine::create {

IndexBuilder::IndexBuilder(const TableDefinition& layout, const IndexSpec& spec)
    : layout_(&layout), spec_(&spec) {}

void IndexBuilder::addRow(std::size_t rowNumber, const std::vector<StoredField>& fields,
                          const std::vector<Value>& values) {
  Bytes key;
  bool hasNull = false;
  for (auto position : spec_->columns) {
    const auto& column = layout_->columns[position];
    const auto& field = fields[position];
    const auto type = static_cast<JetType>(column.type);
    hasNull = hasNull || (!field.present && type != JetType::Boolean);  // Yes/No is never null
    // The creator writes General Legacy text columns (see table_definition.cpp).
    const KeyColumn keyColumn{type, true, TextSortOrder::GeneralLegacy, spec_->legacyDecimalOrder};
    const std::u16string_view text = values[position].isText()
                                         ? std::u16string_view(values[position].text())
                                         : std::u16string_view();
    if (!appendColumnKey(key, keyColumn, field.present, field.bytes, text))
      throw Refusal("the index '" + toUtf8(spec_->name) + "' cannot hold the value of " +
                    valuePlace(layout_->name, rowNumber, column) + ": its key cannot be computed");
  }
  if (hasNull && spec_->primary)
    throw Refusal("the primary key '" + toUtf8(spec_->name) + "' cannot hold the null in row " +
                  std::to_string(rowNumber + 1) + " of table '" + toUtf8(layout_->name) + "'");
  keys_.push_back(std::move(key));
  hasNull_.push_back(hasNull);
}

RealIndex IndexBuilder::write(PageFile& file, UsageMaps& maps, std::uint32_t definitionPage,
                              const std::vector<RowPointer>& locations) const {
  // Nulls do not collide in a unique index; equal keys otherwise do (keys
  // ignore letter case, so "Smith" and "SMITH" are the same value).
  std::set<Bytes, BytesLess> distinct;
  for (std::size_t r = 0; r < keys_.size(); ++r) {
    const bool duplicate = !distinct.insert(keys_[r]).second;
    if (duplicate && spec_->unique && !hasNull_[r])
      throw Refusal("the unique index '" + toUtf8(spec_->name) + "' of table '" +
                    toUtf8(layout_->name) + "' would hold the value of row " +
                    std::to_string(r + 1) + " twice");
  }

  // Leaf entries sort as whole byte strings: key, then page and row.
  std::vector<Bytes> entries;
  entries.reserve(keys_.size());
  for (std::size_t r = 0; r < keys_.size(); ++r)
    entries.push_back(leafEntry(keys_[r], locations[r].page, locations[r].row));
  std::sort(entries.begin(), entries.end(), BytesLess{});

  auto pages = writeIndexPages(file, definitionPage, entries);
  RealIndex definition;
  for (auto position : spec_->columns)
    definition.columns.push_back(
        {layout_->columns[position].number, static_cast<int>(position), true});
  definition.usageMap = maps.add(pages.pages);
  definition.rootPage = pages.rootPage;
  definition.flags = spec_->flags;
  definition.distinctCount = static_cast<std::uint32_t>(distinct.size());
  return definition;
}

}  // namespace engine::create
