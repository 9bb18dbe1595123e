#include "engine/read/long_value.h"

#include <unordered_set>

#include "engine/format/layout_long_value.h"

namespace engine {

namespace lv = layout::long_value;

LongValueReference LongValueReference::parse(const BoundedBytes& field) {
  if (field.size() < lv::kReferenceSize)
    field.fail("a long-value reference is " + std::to_string(field.size()) + " bytes long");
  std::uint32_t raw = field.u32(lv::kLengthAndFlags);
  LongValueReference ref;
  ref.length = raw & lv::kLengthMask;
  if (raw & lv::kInlineFlag)
    ref.form = LongValueForm::Inline;
  else if (raw & lv::kSingleRowFlag)
    ref.form = LongValueForm::SingleRow;
  else
    ref.form = LongValueForm::Chain;
  ref.first = RowPointer::fromRaw(field.u32(lv::kFirstRow));
  return ref;
}

namespace {

// The bytes of an LVAL row; `ref` keeps its page alive.
BoundedBytes longValueRow(Pager& pager, const Format& format, RowPointer where, PageRef& ref) {
  ref = pager.page(where.page);
  DataPageView page(pager.view(ref, where.page), format);
  if (!page.isLongValuePage()) page.bytes().fail("a long value points to a page without LVAL tag");
  RowSlot slot = page.slot(where.row);
  if (slot.deleted() && !slot.lookup()) {
    // Access marks nothing deleted that a live reference still uses; a
    // deleted row here means the reference is stale.
    page.bytes().fail("a long value points to deleted row " + std::to_string(where.row));
  }
  return page.row(where.row);
}

}  // namespace

std::vector<std::uint8_t> readLongValue(Pager& pager, const Format& format,
                                        const BoundedBytes& field) {
  LongValueReference ref = LongValueReference::parse(field);
  if (std::uint64_t{ref.length} > std::uint64_t{pager.pageCount()} * pager.pageSize())
    field.fail("a long value claims " + std::to_string(ref.length) +
               " bytes, more than the file holds");
  std::vector<std::uint8_t> data;
  switch (ref.form) {
    case LongValueForm::Inline: {
      auto bytes = field.slice(lv::kReferenceSize, ref.length);
      data.assign(bytes.begin(), bytes.end());
      return data;
    }
    case LongValueForm::SingleRow: {
      PageRef page;
      BoundedBytes row = longValueRow(pager, format, ref.first, page);
      auto bytes = row.slice(0, ref.length);
      data.assign(bytes.begin(), bytes.end());
      return data;
    }
    case LongValueForm::Chain: {
      std::unordered_set<std::uint32_t> visited;
      RowPointer where = ref.first;
      while (data.size() < ref.length) {
        std::uint32_t key = rowPointer(where.page, where.row);
        if (!visited.insert(key).second)
          field.fail("the chain of a long value loops at page " + std::to_string(where.page));
        PageRef page;
        BoundedBytes row = longValueRow(pager, format, where, page);
        std::uint32_t link = row.u32(0);
        auto chunk = row.all().subspan(lv::kChainLinkSize);
        std::size_t take = std::min<std::size_t>(chunk.size(), ref.length - data.size());
        data.insert(data.end(), chunk.begin(), chunk.begin() + take);
        if (data.size() >= ref.length) break;
        if (link == 0)
          row.fail("a long value ends after " + std::to_string(data.size()) + " of " +
                   std::to_string(ref.length) + " bytes");
        where = RowPointer::fromRaw(link);
      }
      return data;
    }
  }
  return data;
}

}  // namespace engine
