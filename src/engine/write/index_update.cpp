#include "engine/write/index_update.h"

#include <algorithm>

#include "engine/format/index_page.h"
#include "engine/format/layout_tdef.h"
#include "engine/jet_type.h"
#include "engine/utf.h"
#include "engine/write/index_key.h"
#include "engine/write/index_tree.h"

namespace engine {

namespace {

// The key of one record in one index, and whether it holds nulls.
struct RecordKey {
  Bytes bytes;
  bool anyNull = false;
  bool allNull = true;
};

class IndexUpdate {
 public:
  IndexUpdate(PageChanges& changes, const TableDefinition& table, RowId id,
              const std::vector<Value>& values, const RowImage& image,
              const ColumnDefinition& column, const std::u16string& value)
      : changes_(changes),
        table_(table),
        id_(id),
        values_(values),
        image_(image),
        column_(column),
        value_(value) {}

  std::optional<std::string> run();

 private:
  // The key of `index` for the record, with the changed column at its new
  // value or not; nothing (and `why`) when a column's keys are not known.
  std::optional<RecordKey> keyOf(const RealIndex& index, bool changed, std::string& why) const;
  std::optional<std::string> update(std::size_t number, const RealIndex& index);
  std::string nameOf(std::size_t number) const;
  void addToDistinctCount(std::size_t number, int delta);

  PageChanges& changes_;
  const TableDefinition& table_;
  RowId id_;
  const std::vector<Value>& values_;
  const RowImage& image_;
  const ColumnDefinition& column_;
  const std::u16string& value_;
};

std::optional<RecordKey> IndexUpdate::keyOf(const RealIndex& index, bool changed,
                                            std::string& why) const {
  RecordKey key;
  const bool jet3 = changes_.format().isJet3();
  for (const IndexColumn& indexColumn : index.columns) {
    if (indexColumn.columnPosition < 0) {
      why = "its index names a field the table does not have";
      return std::nullopt;
    }
    const auto position = static_cast<std::size_t>(indexColumn.columnPosition);
    const ColumnDefinition& column = table_.columns[position];
    const auto type = static_cast<JetType>(column.type);
    KeyColumn keyColumn{type, indexColumn.ascending, std::nullopt, !changes_.format().isAce()};
    const bool text = type == JetType::Text || type == JetType::Memo;
    if (text) {
      keyColumn.sortOrder = textSortOrder(jet3, column.sortOrder, column.sortVersion);
      if (!keyColumn.sortOrder) {
        why = "its index sorts field '" + toUtf8(column.name) + "' by sort order " +
              std::to_string(column.sortOrder) + " version " + std::to_string(column.sortVersion) +
              ", whose keys are not known";
        return std::nullopt;
      }
    }
    const bool isChanged = changed && &column == &column_;
    bool present;
    std::u16string_view textValue;
    std::span<const std::uint8_t> stored;
    if (isChanged) {
      present = true;
      textValue = value_;
    } else {
      present = image_.present(column.number);
      const Value& v = values_[position];
      if (text) {
        present = v.isText();
        if (present) textValue = v.text();
      } else if (present && column.isFixedLength()) {
        stored = image_.fixedValue(column.fixedOffset, fixedSizeOf(column.type));
      } else if (present) {
        stored = image_.variableValue(column.variableIndex);
      }
    }
    if (!appendColumnKey(key.bytes, keyColumn, present, stored, textValue)) {
      why = "its index also covers field '" + toUtf8(column.name) +
            "', whose index keys this program cannot compute";
      return std::nullopt;
    }
    const bool isNull = !present && type != JetType::Boolean;
    key.anyNull = key.anyNull || isNull;
    key.allNull = key.allNull && isNull;
  }
  return key;
}

std::string IndexUpdate::nameOf(std::size_t number) const {
  const IndexDefinition* best = nullptr;
  for (const IndexDefinition& logical : table_.indexes)
    if (logical.realIndex == number && (!best || logical.isPrimaryKey())) best = &logical;
  return best ? "'" + toUtf8(best->name) + "'" : "number " + std::to_string(number + 1);
}

void IndexUpdate::addToDistinctCount(std::size_t number, int delta) {
  if (delta == 0) return;
  const auto& o = changes_.format().isJet3() ? layout::tdef::kJet3 : layout::tdef::kJet4;
  const std::size_t at = o.variablePart + number * o.realIndexCounterSize + 4;
  if (at + 4 > changes_.pageSize()) return;  // counters past the first page: left as they are
  auto page = changes_.edit(table_.page);
  const auto count = static_cast<std::int64_t>(readU32(page, at)) + delta;
  putU32(page, at, static_cast<std::uint32_t>(std::max<std::int64_t>(count, 0)));
}

std::optional<std::string> IndexUpdate::update(std::size_t number, const RealIndex& index) {
  for (const IndexDefinition& logical : table_.indexes)
    if (logical.realIndex == number && logical.cascadeUpdates)
      return std::string("it takes part in a relationship that cascades updates");
  std::string why;
  auto before = keyOf(index, false, why);
  auto after = before ? keyOf(index, true, why) : std::nullopt;
  if (!after) return why;
  if (before->bytes == after->bytes) return std::nullopt;
  if (index.rootPage == 0) return "its index " + nameOf(number) + " has no pages";

  IndexTree tree(changes_, table_.page, index.rootPage, index.usageMap);
  const Bytes oldEntry = leafEntry(before->bytes, id_.page, id_.slot);
  const Bytes newEntry = leafEntry(after->bytes, id_.page, id_.slot);
  // An index that leaves out null keys has no entry for an all-null record.
  const bool hadEntry = !(index.ignoresNulls() && before->allNull);
  const bool oldShared = hadEntry && tree.holdsKey(before->bytes, oldEntry);
  const bool newShared = tree.holdsKey(after->bytes, oldEntry);
  if (newShared && index.isUnique() && !after->anyNull)
    return "the unique index " + nameOf(number) +
           " already holds this value for another record (index keys ignore letter case)";
  // Insert first, so that no page empties and comes back.
  if (!tree.insert(newEntry))
    return "the index " + nameOf(number) + " needs a new page that its page map cannot record";
  if (hadEntry && !tree.remove(oldEntry))
    return "the index " + nameOf(number) +
           " holds no entry under the key computed for the record's current value, so it "
           "cannot be updated safely";
  addToDistinctCount(number, (newShared ? 0 : 1) - (hadEntry && !oldShared ? 1 : 0));
  return std::nullopt;
}

std::optional<std::string> IndexUpdate::run() {
  for (std::size_t r = 0; r < table_.realIndexes.size(); ++r) {
    const RealIndex& index = table_.realIndexes[r];
    const bool covers =
        std::any_of(index.columns.begin(), index.columns.end(),
                    [&](const IndexColumn& c) { return c.columnNumber == column_.number; });
    if (!covers) continue;
    if (auto why = update(r, index)) return why;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> planIndexUpdate(PageChanges& changes, const TableDefinition& table,
                                           RowId id, const std::vector<Value>& values,
                                           const RowImage& image, const ColumnDefinition& column,
                                           const std::u16string& value) {
  return IndexUpdate(changes, table, id, values, image, column, value).run();
}

}  // namespace engine
