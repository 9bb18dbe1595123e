#include "engine/read/table_scan.h"

#include "engine/error.h"
#include "engine/format/layout_data_page.h"
#include "engine/read/usage_map.h"

namespace engine {

namespace dp = layout::data_page;

namespace {

// Resolves slot `slotIndex` of `page` (held by `ref`) to the bytes of the
// row, following an overflow pointer; `ref` then holds the page those bytes
// are on. Nothing for deleted slots.
std::optional<BoundedBytes> locateRow(Pager& pager, const Format& format, PageRef& ref,
                                      std::uint32_t page, std::size_t slotIndex, RowId& storedAt) {
  const PageRef headerPage = ref;  // keeps `view` valid after `ref` moves on
  DataPageView view(pager.view(headerPage, page), format);
  RowSlot slot = view.slot(slotIndex);
  if (slot.deleted()) return std::nullopt;
  storedAt = {page, static_cast<std::uint8_t>(slotIndex)};
  if (!slot.lookup()) return view.row(slotIndex);
  BoundedBytes pointerRow = view.row(slotIndex);
  RowPointer target = RowPointer::fromRaw(pointerRow.u32(0));
  // A grown row moves behind a pointer in its header slot; the row it points
  // to carries the deleted bit alone (so scans skip it where it lies) and is
  // never a pointer itself: follow exactly one hop.
  ref = pager.page(target.page);
  DataPageView targetView(pager.view(ref, target.page), format);
  if (targetView.owner() != view.owner())
    targetView.bytes().fail("an overflow pointer of page " + std::to_string(page) +
                            " leads to a page of another table");
  storedAt = {target.page, target.row};
  return targetView.row(target.row);
}

}  // namespace

PageScan::PageScan(Pager& pager, const Format& format, const TableDefinition& table,
                   ColumnSelection selection)
    : pager_(pager),
      format_(format),
      table_(table),
      decoder_(pager, format, table),
      selection_(std::move(selection)),
      pages_(readUsageMap(pager, format, table.ownedPagesMap)) {}

bool PageScan::next(Row& row) {
  while (pageIndex_ < pages_.size()) {
    std::uint32_t page = pages_[pageIndex_];
    PageRef ref = pager_.page(page);
    BoundedBytes bytes = pager_.view(ref, page);
    // Pages of other tables or freed pages can remain in a map; skip them.
    if (bytes.u8(0) != dp::kTypeData || bytes.u32(dp::kOwner) != table_.page) {
      ++pageIndex_;
      slotIndex_ = 0;
      continue;
    }
    DataPageView view(bytes, format_);
    while (slotIndex_ < view.slotCount()) {
      std::size_t slot = slotIndex_++;
      PageRef rowRef = ref;
      RowId storedAt;
      auto found = locateRow(pager_, format_, rowRef, page, slot, storedAt);
      if (!found) continue;
      row.id = {page, static_cast<std::uint8_t>(slot)};
      row.storedAt = storedAt;
      decoder_.decode(*found, row.values, selection_);
      return true;
    }
    ++pageIndex_;
    slotIndex_ = 0;
  }
  return false;
}

std::optional<Row> PageScan::readRow(Pager& pager, const Format& format,
                                     const TableDefinition& table, RowId id,
                                     const ColumnSelection& selection) {
  PageRef ref = pager.page(id.page);
  BoundedBytes bytes = pager.view(ref, id.page);
  if (bytes.u8(0) != dp::kTypeData || bytes.u32(dp::kOwner) != table.page) return std::nullopt;
  DataPageView view(bytes, format);
  if (id.slot >= view.slotCount()) return std::nullopt;
  Row row;
  RowId storedAt;
  auto found = locateRow(pager, format, ref, id.page, id.slot, storedAt);
  if (!found) return std::nullopt;
  row.id = id;
  row.storedAt = storedAt;
  RowDecoder decoder(pager, format, table);
  decoder.decode(*found, row.values, selection);
  return row;
}

}  // namespace engine
