#include "engine/write/text_update.h"

#include <algorithm>

#include "engine/base/error.h"
#include "engine/format/byte_order.h"
#include "engine/format/jet_type.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_long_value.h"
#include "engine/format/layout_tdef.h"
#include "engine/read/data_page.h"
#include "engine/read/long_value.h"
#include "engine/read/table_scan.h"
#include "engine/read/usage_map.h"
#include "engine/text/text_encoder.h"
#include "engine/text/utf.h"
#include "engine/write/data_page_edit.h"
#include "engine/write/index_update.h"
#include "engine/write/long_value_encoder.h"
#include "engine/write/page_allocation.h"
#include "engine/write/row_image.h"

namespace engine {

namespace dp = layout::data_page;
namespace lv = layout::long_value;

namespace {

// Pages looked at for room before a new page is added.
constexpr std::size_t kCandidatePages = 32;
// A page with less room than this leaves the free-space map.
constexpr std::size_t kFullPage = 64;

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
  RowPointer addLongValueRow(std::span<const std::uint8_t> row);
  void releaseLongValueRows(const LongValueReference& ref);
  void placeRow(RowId stored, std::size_t oldLength, std::span<const std::uint8_t> newRow);
  std::uint32_t pageWithRoom(std::size_t length, std::uint32_t avoid);
  page_edit::SlotInfo slotOf(std::uint32_t page, std::size_t index);

  PageChanges& changes_;
  Pager& pager_;
  Format format_;
  const TableDefinition& table_;
  RowId id_;
  const ColumnDefinition& column_;
  const std::u16string& value_;
  std::vector<std::uint32_t> newTablePages_;
  std::vector<std::uint32_t> newLongValuePages_;
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

  std::optional<Row> current = TableScan::readRow(pager_, format_, table_, id_);
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
  auto newRow = image->with(column_.variableIndex, column_.number, field, rowBytes.size(), why);
  if (!newRow) refuse(why);
  placeRow(stored, rowBytes.size(), *newRow);
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

RowPointer Update::addLongValueRow(std::span<const std::uint8_t> row) {
  const LongValueMaps* maps = nullptr;
  for (const LongValueMaps& m : table_.longValueMaps)
    if (m.columnNumber == column_.number) maps = &m;
  if (!maps)
    refuse(
        "the new value needs long-value storage of a new size, which this program only "
        "manages for Access 2000 and later files");
  auto fits = [&](std::uint32_t page) {
    if (page >= changes_.pageCount()) return false;
    auto bytes = changes_.read(page);
    return bytes[0] == dp::kTypeData && readU32(bytes, dp::kOwner) == lv::kPageOwner &&
           page_edit::hasRoomFor(bytes, format_, row.size());
  };
  std::optional<std::uint32_t> target;
  for (std::uint32_t page : newLongValuePages_)
    if (fits(page)) target = page;
  if (!target) {
    std::vector<std::uint32_t> pages = readUsageMap(pager_, format_, maps->freePages);
    std::size_t looked = 0;
    for (auto it = pages.rbegin(); it != pages.rend() && looked < kCandidatePages; ++it, ++looked)
      if (usageBit(changes_, maps->ownedPages, *it) && fits(*it)) {
        target = *it;
        break;
      }
  }
  if (!target) {
    target = allocateDataPage(changes_, lv::kPageOwner, maps->ownedPages, maps->freePages);
    if (!target) refuse("the long value needs a new page that the column's page map cannot record");
    newLongValuePages_.push_back(*target);
  }
  auto page = changes_.edit(*target);
  auto number = page_edit::addRow(page, format_, row, 0);
  if (!number) damaged(*target, "a long-value page has less room than it says");
  if (*page_edit::freeSpace(page, format_) < kFullPage)
    setUsageBit(changes_, maps->freePages, *target, false);
  return {*target, *number};
}

void Update::releaseLongValueRows(const LongValueReference& ref) {
  RowPointer where = ref.first;
  std::size_t remaining = ref.length;
  for (std::size_t hops = 0;; ++hops) {
    if (hops > pager_.pageCount() * dp::kMaxSlots) damaged(where.page, "a long-value chain loops");
    auto slot = slotOf(where.page, where.row);
    auto page = changes_.edit(where.page);
    page_edit::setSlotRaw(page, format_, where.row, slot.raw | dp::kSlotDeleted);
    if (ref.form == LongValueForm::SingleRow) return;
    if (slot.length() < lv::kChainLinkSize) damaged(where.page, "a long-value row is too short");
    const std::size_t chunk = slot.length() - lv::kChainLinkSize;
    const std::uint32_t link = readU32(page, slot.start);
    if (chunk >= remaining || link == 0) return;
    remaining -= chunk;
    where = RowPointer::fromRaw(link);
  }
}

std::uint32_t Update::pageWithRoom(std::size_t length, std::uint32_t avoid) {
  auto fits = [&](std::uint32_t page) {
    if (page == avoid || page >= changes_.pageCount()) return false;
    auto bytes = changes_.read(page);
    return bytes[0] == dp::kTypeData && readU32(bytes, dp::kOwner) == table_.page &&
           page_edit::hasRoomFor(bytes, format_, length);
  };
  for (std::uint32_t page : newTablePages_)
    if (fits(page)) return page;
  std::vector<std::uint32_t> pages = readUsageMap(pager_, format_, table_.freePagesMap);
  std::size_t looked = 0;
  for (auto it = pages.rbegin(); it != pages.rend() && looked < kCandidatePages; ++it, ++looked)
    if (usageBit(changes_, table_.ownedPagesMap, *it) && fits(*it)) return *it;
  auto page = allocateDataPage(changes_, table_.page, table_.ownedPagesMap, table_.freePagesMap);
  if (!page) refuse("the grown record needs a new page that the table's page map cannot record");
  newTablePages_.push_back(*page);
  return *page;
}

void Update::placeRow(RowId stored, std::size_t oldLength, std::span<const std::uint8_t> newRow) {
  const std::size_t largest = pager_.pageSize() - format_.dataHeaderSize() - 2;
  if (newRow.size() > largest)
    refuse("the record would be longer than a page holds (" + std::to_string(newRow.size()) +
           " bytes)");
  const page_edit::SlotInfo slot = slotOf(stored.page, stored.slot);
  if (newRow.size() == oldLength) {
    auto page = changes_.edit(stored.page);
    std::copy(newRow.begin(), newRow.end(), page.begin() + static_cast<std::ptrdiff_t>(slot.start));
    return;
  }
  // Room on its own page: re-pack the rows after it.
  if (page_edit::growRow(changes_.edit(stored.page), format_, stored.slot, newRow)) return;

  // Move it: a new row elsewhere, marked deleted so scans do not see it
  // twice (only the deleted bit, as Access-made files have it: readers take
  // a target that also has the lookup bit for another pointer); the header
  // row keeps its slot (the record's identity) and points to it.
  const page_edit::SlotInfo header = slotOf(id_.page, id_.slot);
  if (header.length() < 4) refuse("the record is too short to hold a pointer to its new place");
  const std::uint32_t target = pageWithRoom(newRow.size(), stored.page);
  auto targetPage = changes_.edit(target);
  auto number = page_edit::addRow(targetPage, format_, newRow, dp::kSlotDeleted);
  if (!number) damaged(target, "a data page has less room than it says");
  if (*page_edit::freeSpace(targetPage, format_) < kFullPage)
    setUsageBit(changes_, table_.freePagesMap, target, false);

  auto headerPage = changes_.edit(id_.page);
  std::fill(headerPage.begin() + static_cast<std::ptrdiff_t>(header.start),
            headerPage.begin() + static_cast<std::ptrdiff_t>(header.end), 0);
  putU32(headerPage, header.start, rowPointer(target, *number));
  page_edit::setSlotRaw(headerPage, format_, id_.slot, header.raw | dp::kSlotLookup);
  // A previous overflow target keeps its deleted mark; its bytes stay unused.
}

}  // namespace

void planTextUpdate(PageChanges& changes, Pager& pager, const TableDefinition& table, RowId row,
                    int column, const std::u16string& value) {
  Update(changes, pager, table, row, column, value).run();
}

}  // namespace engine
