#include "engine/write/text_update.h"

#include <algorithm>

#include "engine/error.h"
#include "engine/format/byte_order.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_long_value.h"
#include "engine/format/layout_tdef.h"
#include "engine/jet_type.h"
#include "engine/read/data_page.h"
#include "engine/read/long_value.h"
#include "engine/read/table_scan.h"
#include "engine/text/text_encoder.h"
#include "engine/utf.h"
#include "engine/write/data_page_edit.h"
#include "engine/write/index_update.h"
#include "engine/write/long_value_encoder.h"
#include "engine/write/page_allocation.h"
#include "engine/write/row_image.h"

namespace engine {

namespace dp = layout::data_page;
namespace lv = layout::long_value;

namespace {

std::string quoted(std::u16string_view text) {
  constexpr std::size_t kShown = 60;
  std::string shown = toUtf8(text.substr(0, kShown));
  return "'" + shown + (text.size() > kShown ? "...'" : "'");
}

class Update {
 public:
  Update(PageChanges& changes, Pager& pager, const TableDefinition& table, RowId row, int column,
         const std::u16string& value)
      : changes_(changes),
        pager_(pager),
        format_(changes.format()),
        table_(table),
        id_(row),
        column_(table.columns.at(static_cast<std::size_t>(column))),
        value_(value) {}

  void run();

 private:
  [[noreturn]] void refuse(const std::string& reason) const {
    throw Error::refusedWrite("Cannot change field '" + toUtf8(column_.name) + "' of table '" +
                              toUtf8(table_.name) + "' to " + quoted(value_) + ": " + reason + ".");
  }
  [[noreturn]] void damaged(std::uint32_t page, const std::string& what) const {
    throw Error::damaged(changes_.path(), page, what);
  }

  void checkPreconditions();
  // Whether the column's property `name` holds a non-zero number or true.
  bool propertyIsSet(std::u16string_view name) const;
  std::vector<std::uint8_t> memoField(std::span<const std::uint8_t> oldField,
                                      const std::vector<std::uint8_t>& data, bool& done);
  void overwriteLongValue(const LongValueReference& ref, const std::vector<std::uint8_t>& data);
  std::optional<DataPageSet> longValuePages() const;
  RowPointer addLongValueRow(std::span<const std::uint8_t> row);
  void releaseLongValueRows(const LongValueReference& ref);
  std::vector<std::uint8_t> rowWith(const RowImage& image, std::span<const std::uint8_t> field,
                                    std::size_t minimumLength) const;
  void placeRow(RowId stored, const RowImage& image, std::span<const std::uint8_t> field);
  void replaceRow(RowId where, std::span<const std::uint8_t> row);
  void removeRow(RowPointer where, const std::optional<DataPageSet>& pages);
  page_edit::SlotInfo slotOf(std::uint32_t page, std::size_t index);

  PageChanges& changes_;
  Pager& pager_;
  Format format_;
  const TableDefinition& table_;
  RowId id_;
  const ColumnDefinition& column_;
  const std::u16string& value_;
  const DataPageSet tablePages_{table_.page, table_.ownedPagesMap, table_.freePagesMap};
};

page_edit::SlotInfo Update::slotOf(std::uint32_t page, std::size_t index) {
  auto bytes = changes_.read(page);
  if (bytes[0] != dp::kTypeData) damaged(page, "expected a data page");
  auto slot = page_edit::slot(bytes, format_, index);
  if (!slot) damaged(page, "row " + std::to_string(index) + " has inconsistent offsets");
  return *slot;
}

bool Update::propertyIsSet(std::u16string_view name) const {
  const Property* property = column_.property(name);
  if (!property) return false;
  const Value& v = property->value;
  if (v.is<bool>()) return v.as<bool>();
  if (v.is<std::uint8_t>()) return v.as<std::uint8_t>() != 0;
  if (v.is<std::int16_t>()) return v.as<std::int16_t>() != 0;
  if (v.is<std::int32_t>()) return v.as<std::int32_t>() != 0;
  return false;
}

void Update::checkPreconditions() {
  const bool text = column_.type == static_cast<std::uint8_t>(JetType::Text);
  const bool memo = column_.type == static_cast<std::uint8_t>(JetType::Memo);
  if (!text && !memo) refuse("only text and memo fields can be changed");
  if (table_.tableType != layout::tdef::kTableTypeUser) refuse("it is a system table");
  if (column_.isCalculated()) refuse("it is a calculated field");
  if (column_.isHyperlink()) refuse("it is a hyperlink field; changing its case could break links");
  if (column_.isFixedLength()) refuse("fixed-length text fields are not supported");
  if (memo && propertyIsSet(u"TextFormat"))
    refuse("it is a rich-text memo whose HTML markup a case change would alter");
  if (memo && propertyIsSet(u"AppendOnly"))
    refuse("it is an append-only memo whose history an in-place change would bypass");
  for (const ColumnDefinition& other : table_.columns) {
    if (other.isCalculated())
      refuse("the table has calculated fields whose stored results could go stale");
    if (other.flags & layout::tdef::kColumnReplication)
      refuse("the table belongs to a replicated database");
  }
  if (format_.isJet3() && column_.codePage != 0 &&
      column_.codePage != layout::header::kCodePageWestern)
    refuse("the field stores text in code page " + std::to_string(column_.codePage) +
           ", which this program does not write");
  const std::size_t limit = column_.maxCharacters(format_);
  if (text && value_.size() > limit)
    refuse("the value has " + std::to_string(value_.size()) +
           " characters, the field holds at most " + std::to_string(limit));
}

void Update::run() {
  checkPreconditions();
  EncodedText encoded = encodeColumnText(value_, column_.allowsCompression(), format_);
  if (encoded.unencodable)
    refuse("the character " + toUtf8(std::u16string(1, *encoded.unencodable)) +
           " does not exist in the database's code page 1252");

  // The changed value and the keys of every index are all this needs.
  std::vector<int> asked{static_cast<int>(&column_ - table_.columns.data())};
  for (const RealIndex& index : table_.realIndexes)
    for (const IndexColumn& key : index.columns) asked.push_back(key.columnPosition);
  std::optional<Row> current =
      PageScan::readRow(pager_, format_, table_, id_, ColumnSelection::only(asked));
  if (!current) refuse("the record no longer exists");
  const Value& old = current->values[static_cast<std::size_t>(&column_ - table_.columns.data())];
  std::optional<std::u16string> oldText;
  if (old.isText()) oldText = old.text();
  if (oldText && *oldText == value_) return;  // nothing to change

  const RowId stored = current->storedAt;
  const page_edit::SlotInfo slot = slotOf(stored.page, stored.slot);
  std::vector<std::uint8_t> rowBytes(changes_.read(stored.page).begin() + slot.start,
                                     changes_.read(stored.page).begin() + slot.end);
  std::string why;
  std::optional<RowImage> image = RowImage::parse(rowBytes, format_, table_, why);
  if (!image) damaged(stored.page, why);
  if (auto refusal =
          planIndexUpdate(changes_, table_, id_, current->values, *image, column_, value_))
    refuse("the field is indexed and " + *refusal);

  std::vector<std::uint8_t> field;
  if (column_.isLongValue()) {
    bool done = false;
    field = memoField(image->variableValue(column_.variableIndex), encoded.bytes, done);
    if (done) return;
  } else {
    field = std::move(encoded.bytes);
  }
  placeRow(stored, *image, field);
}

// The new variable field of a memo: its 12-byte reference (and inline
// data). Sets `done` when the data was overwritten where it is and the row
// stays as it was.
std::vector<std::uint8_t> Update::memoField(std::span<const std::uint8_t> oldField,
                                            const std::vector<std::uint8_t>& data, bool& done) {
  std::optional<LongValueReference> ref;
  std::array<std::uint8_t, 4> unknown{};
  if (oldField.size() >= lv::kReferenceSize) {
    BoundedBytes bounded(oldField, id_.page, changes_.path());
    ref = LongValueReference::parse(bounded);
    std::copy_n(oldField.begin() + lv::kUnknown, 4, unknown.begin());
    if (ref->form == LongValueForm::Inline && ref->length != oldField.size() - lv::kReferenceSize)
      damaged(id_.page, "an inline long value's length does not match its field");
  }
  if (ref && ref->length == data.size() && ref->form != LongValueForm::Inline) {
    overwriteLongValue(*ref, data);
    done = true;
    return {};
  }
  auto field = encodeLongValue(data, maxLongValueRow(pager_.pageSize(), format_.dataHeaderSize()),
                               unknown, [this](auto row) { return addLongValueRow(row); });
  if (ref && ref->form != LongValueForm::Inline) releaseLongValueRows(*ref);
  return field;
}

void Update::overwriteLongValue(const LongValueReference& ref,
                                const std::vector<std::uint8_t>& data) {
  if (ref.form == LongValueForm::SingleRow) {
    auto slot = slotOf(ref.first.page, ref.first.row);
    if (slot.length() < data.size())
      damaged(ref.first.page, "a long-value row is shorter than its value");
    auto page = changes_.edit(ref.first.page);
    std::copy(data.begin(), data.end(), page.begin() + static_cast<std::ptrdiff_t>(slot.start));
    return;
  }
  RowPointer where = ref.first;
  std::size_t written = 0;
  for (std::size_t hops = 0; written < data.size(); ++hops) {
    if (hops > pager_.pageCount() * dp::kMaxSlots) damaged(where.page, "a long-value chain loops");
    auto slot = slotOf(where.page, where.row);
    if (slot.length() < lv::kChainLinkSize) damaged(where.page, "a long-value row is too short");
    const std::size_t take = std::min(slot.length() - lv::kChainLinkSize, data.size() - written);
    auto page = changes_.edit(where.page);
    const std::uint32_t link = readU32(page, slot.start);
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(written), take,
                page.begin() + static_cast<std::ptrdiff_t>(slot.start + lv::kChainLinkSize));
    written += take;
    if (written < data.size()) {
      if (link == 0) damaged(where.page, "a long-value chain ends early");
      where = RowPointer::fromRaw(link);
    }
  }
}

std::optional<DataPageSet> Update::longValuePages() const {
  for (const LongValueMaps& maps : table_.longValueMaps)
    if (maps.columnNumber == column_.number)
      return DataPageSet{lv::kPageOwner, maps.ownedPages, maps.freePages, true, true};
  return std::nullopt;  // Jet 3 files keep no long-value maps
}

RowPointer Update::addLongValueRow(std::span<const std::uint8_t> row) {
  const std::optional<DataPageSet> pages = longValuePages();
  if (!pages)
    refuse(
        "the new value needs long-value storage of a new size, which this program only "
        "manages for Access 2000 and later files");
  const auto target = pageWithRoom(changes_, *pages, row.size());
  if (!target) refuse("the long value needs a new page that the column's page map cannot record");
  auto number = page_edit::addRow(changes_.edit(*target), format_, row, 0, pages->reusesSlots);
  if (!number) damaged(*target, "a long-value page has less room than it says");
  noteRoom(changes_, *pages, *target);
  return {*target, *number};
}

void Update::releaseLongValueRows(const LongValueReference& ref) {
  const std::optional<DataPageSet> pages = longValuePages();
  RowPointer where = ref.first;
  std::size_t remaining = ref.length;
  for (std::size_t hops = 0;; ++hops) {
    if (hops > pager_.pageCount() * dp::kMaxSlots) damaged(where.page, "a long-value chain loops");
    auto slot = slotOf(where.page, where.row);
    if ((slot.raw & dp::kSlotRemoved) == dp::kSlotRemoved)
      damaged(where.page, "a long value leads to a removed row");
    std::optional<RowPointer> next;
    if (ref.form != LongValueForm::SingleRow) {
      if (slot.length() < lv::kChainLinkSize) damaged(where.page, "a long-value row is too short");
      const std::size_t chunk = slot.length() - lv::kChainLinkSize;
      const std::uint32_t link = readU32(changes_.read(where.page), slot.start);
      if (chunk < remaining && link != 0) {
        remaining -= chunk;
        next = RowPointer::fromRaw(link);
      }
    }
    removeRow(where, pages);
    if (!next) return;
    where = *next;
  }
}

std::vector<std::uint8_t> Update::rowWith(const RowImage& image,
                                          std::span<const std::uint8_t> field,
                                          std::size_t minimumLength) const {
  std::string why;
  auto row = image.with(column_.variableIndex, column_.number, field, minimumLength, why);
  if (!row) refuse(why);
  return std::move(*row);
}

// Puts the record's new row where it fits (docs/file-format.md, Growing rows): back home
// when it has moved and its home slot's bytes hold it or its home page has
// room to grow it, else in the bytes it has (padded, so that its
// neighbours stay), grown on its page, or on another page behind an
// overflow pointer. A row it leaves behind is removed.
void Update::placeRow(RowId stored, const RowImage& image, std::span<const std::uint8_t> field) {
  const std::vector<std::uint8_t> row = rowWith(image, field, 0);
  const std::size_t largest = pager_.pageSize() - format_.dataHeaderSize() - 2;
  if (row.size() > largest)
    refuse("the record would be longer than a page holds (" + std::to_string(row.size()) +
           " bytes)");
  const bool moved = !(stored == id_);
  const std::size_t homeLength = slotOf(id_.page, id_.slot).length();
  const std::size_t storedLength = slotOf(stored.page, stored.slot).length();
  const RowPointer oldTarget{stored.page, stored.slot};

  if (moved && (row.size() <= homeLength ||
                page_edit::canReplaceRow(changes_.read(id_.page), format_, id_.slot, row.size()))) {
    replaceRow(id_, row.size() <= homeLength ? rowWith(image, field, homeLength) : row);
    page_edit::setSlotFlags(changes_.edit(id_.page), format_, id_.slot, 0);
    removeRow(oldTarget, tablePages_);
    return;
  }
  if (row.size() <= storedLength) {
    replaceRow(stored, rowWith(image, field, storedLength));
    return;
  }
  if (page_edit::canReplaceRow(changes_.read(stored.page), format_, stored.slot, row.size())) {
    replaceRow(stored, row);
    return;
  }

  // To another page: the new row carries the deleted bit alone, so that
  // scans through the header row do not see it twice while other readers,
  // which skip only rows with the lookup bit, read it where it lies. The
  // header row keeps its slot (the record's identity) and points to it.
  if (homeLength < 4) refuse("the record is too short to hold a pointer to its new place");
  const auto target = pageWithRoom(changes_, tablePages_, row.size(), stored.page);
  if (!target) refuse("the grown record needs a new page that the table's page map cannot record");
  auto number = page_edit::addRow(changes_.edit(*target), format_, row, dp::kSlotDeleted);
  if (!number) damaged(*target, "a data page has less room than it says");
  noteRoom(changes_, tablePages_, *target);

  const page_edit::SlotInfo header = slotOf(id_.page, id_.slot);
  auto headerPage = changes_.edit(id_.page);
  std::fill(headerPage.begin() + static_cast<std::ptrdiff_t>(header.start),
            headerPage.begin() + static_cast<std::ptrdiff_t>(header.end), 0);
  putU32(headerPage, header.start, rowPointer(*target, *number));
  page_edit::setSlotFlags(headerPage, format_, id_.slot, dp::kSlotLookup);
  if (moved) removeRow(oldTarget, tablePages_);
}

void Update::replaceRow(RowId where, std::span<const std::uint8_t> row) {
  const bool resized = slotOf(where.page, where.slot).length() != row.size();
  if (!page_edit::replaceRow(changes_.edit(where.page), format_, where.slot, row))
    damaged(where.page, "a data page has less room than it says");
  if (resized) noteRoom(changes_, tablePages_, where.page);
}

void Update::removeRow(RowPointer where, const std::optional<DataPageSet>& pages) {
  if (!page_edit::removeRow(changes_.edit(where.page), format_, where.row))
    damaged(where.page, "row " + std::to_string(where.row) + " has inconsistent offsets");
  if (pages) noteRoom(changes_, *pages, where.page);
}

}  // namespace

void planTextUpdate(PageChanges& changes, Pager& pager, const TableDefinition& table, RowId row,
                    int column, const std::u16string& value) {
  Update(changes, pager, table, row, column, value).run();
}

}  // namespace engine
