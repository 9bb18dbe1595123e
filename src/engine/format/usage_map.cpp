#include "engine/format/usage_map.h"

#include <algorithm>
#include <cstring>

#include "engine/format/byte_order.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_usage_map.h"

namespace engine {

namespace um = layout::usage_map;

std::optional<std::uint32_t> inlineWindowStart(std::uint32_t low, std::uint32_t high,
                                               std::uint64_t windowPages) {
  const std::uint32_t rounded = low - low % 8;
  if (high - rounded < windowPages) return rounded;
  if (high - low < windowPages) return low;
  return std::nullopt;
}

std::size_t withoutTrailingZeros(std::span<const std::uint8_t> bits) {
  std::size_t end = bits.size();
  for (std::uint64_t word = 0; end >= sizeof word; end -= sizeof word) {
    std::memcpy(&word, bits.data() + end - sizeof word, sizeof word);
    if (word != 0) break;
  }
  while (end > 0 && bits[end - 1] == 0) --end;
  return end;
}

UsageMap::UsageMap(UsageMapStore& store) : store_(store) {
  const auto row = store_.row();
  rowLength_ = row.size();
  if (rowLength_ < um::kInlineBitmap)
    store_.damaged(store_.rowPage(), "a usage map row is too short");
  if (row[0] == um::kInline) return;
  if (row[0] != um::kReference)
    store_.damaged(store_.rowPage(), "unknown usage map kind " + std::to_string(row[0]));
  inline_ = false;
}

std::size_t UsageMap::entryCount() const {
  return (rowLength_ - um::kReferenceEntries) / um::kReferenceEntrySize;
}

std::uint64_t UsageMap::pagesPerBitmapPage() const {
  return um::pagesPerBitmapPage(store_.pageSize());
}

std::uint32_t UsageMap::entry(std::size_t j) {
  return readU32(store_.row(), um::kReferenceEntries + um::kReferenceEntrySize * j);
}

// Entries that are 0, implausibly large or past the end name no page.
bool UsageMap::hasBitmapPage(std::uint32_t number) const {
  return number != 0 && number < um::kInvalidPageThreshold && number < store_.pageCount();
}

std::span<const std::uint8_t> UsageMap::bitmapPage(std::uint32_t number) {
  auto bytes = store_.read(number);
  if (bytes[0] != layout::data_page::kTypeUsageMap)
    store_.damaged(number,
                   "expected a usage map page, found page type " + std::to_string(bytes[0]));
  return bytes;
}

std::optional<UsageMap::Bit> UsageMap::locate(std::uint32_t page) {
  if (inline_) {
    const std::uint32_t start = readU32(store_.row(), um::kInlineStart);
    const std::uint64_t bits = (rowLength_ - um::kInlineBitmap) * 8;
    if (page < start || page - start >= bits) return std::nullopt;
    const std::uint32_t bit = page - start;
    return Bit{std::nullopt, um::kInlineBitmap + bit / 8,
               static_cast<std::uint8_t>(1u << (bit % 8))};
  }
  const std::uint64_t j = page / pagesPerBitmapPage();
  if (j >= entryCount()) return std::nullopt;
  const std::uint32_t number = entry(j);
  if (!hasBitmapPage(number)) return std::nullopt;
  bitmapPage(number);
  const std::uint64_t bit = page - j * pagesPerBitmapPage();
  return Bit{number, static_cast<std::size_t>(um::kBitmapPageHeader + bit / 8),
             static_cast<std::uint8_t>(1u << (bit % 8))};
}

void UsageMap::write(const Bit& bit, bool value) {
  auto bytes = bit.page ? store_.edit(*bit.page) : store_.editRow();
  if (value)
    bytes[bit.byte] |= bit.mask;
  else
    bytes[bit.byte] &= static_cast<std::uint8_t>(~bit.mask);
}

std::vector<UsageMap::Stretch> UsageMap::stretches() {
  if (inline_)
    return {Stretch{std::nullopt, store_.row().subspan(um::kInlineBitmap),
                    readU32(store_.row(), um::kInlineStart)}};
  std::vector<Stretch> all;
  for (std::size_t j = 0; j < entryCount(); ++j) {
    const std::uint32_t number = entry(j);
    const std::uint64_t first = j * pagesPerBitmapPage();
    if (!hasBitmapPage(number) || first >= store_.pageCount()) continue;
    all.push_back(Stretch{number, bitmapPage(number).subspan(um::kBitmapPageHeader), first});
  }
  return all;
}

// A set bit for a page past the end means the file lost its tail.
void UsageMap::beyondEnd(const Stretch& stretch, std::uint64_t page) const {
  store_.damaged(stretch.page.value_or(store_.rowPage()),
                 "a usage map lists page " + std::to_string(page) +
                     ", beyond the end of the file (" + std::to_string(store_.pageCount()) +
                     " pages)");
}

bool UsageMap::contains(std::uint32_t page) {
  const auto bit = locate(page);
  if (!bit) return false;
  const auto bytes = bit->page ? store_.read(*bit->page) : store_.row();
  return (bytes[bit->byte] & bit->mask) != 0;
}

std::vector<std::uint32_t> UsageMap::pages() {
  std::vector<std::uint32_t> found;
  for (const Stretch& stretch : stretches()) {
    for (std::size_t j = 0; j < stretch.bits.size(); ++j) {
      if (stretch.bits[j] == 0) continue;
      for (int k = 0; k < 8; ++k) {
        if (!(stretch.bits[j] & (1u << k))) continue;
        const std::uint64_t page = stretch.firstPage + 8 * j + static_cast<std::uint64_t>(k);
        if (page >= store_.pageCount()) beyondEnd(stretch, page);
        found.push_back(static_cast<std::uint32_t>(page));
      }
    }
  }
  return found;
}

bool UsageMap::set(std::uint32_t page, bool value, bool mayGrow) {
  if (const auto bit = locate(page)) {
    const auto bytes = bit->page ? store_.read(*bit->page) : store_.row();
    if (((bytes[bit->byte] & bit->mask) != 0) != value) write(*bit, value);
    return true;
  }
  if (!value) return true;
  if (!mayGrow) return false;
  return grow(page);
}

// A reference map records `page` on the bitmap page of its entry, made
// when the entry has none. The bitmap page belongs to no table.
bool UsageMap::recordInReference(std::uint32_t page) {
  const std::uint64_t j = page / pagesPerBitmapPage();
  if (j >= entryCount()) return false;
  if (!hasBitmapPage(entry(j))) {
    const std::uint32_t number = store_.append();
    auto bitmap = store_.edit(number);
    std::fill(bitmap.begin(), bitmap.end(), 0);
    bitmap[0] = layout::data_page::kTypeUsageMap;
    bitmap[1] = 0x01;
    putU32(store_.editRow(), um::kReferenceEntries + um::kReferenceEntrySize * j, number);
  }
  return set(page, true, false);
}

bool UsageMap::assign(std::span<const std::uint32_t> pages) {
  if (pages.empty()) {
    auto row = store_.editRow();
    std::fill(row.begin(), row.end(), 0);
    inline_ = true;
    return true;
  }
  const auto [low, high] = std::minmax_element(pages.begin(), pages.end());
  const std::uint64_t window = (rowLength_ - um::kInlineBitmap) * 8;
  if (const auto start = inlineWindowStart(*low, *high, window)) {
    auto row = store_.editRow();
    std::fill(row.begin(), row.end(), 0);
    row[0] = um::kInline;
    putU32(row, um::kInlineStart, *start);
    inline_ = true;
    for (std::uint32_t page : pages)
      if (!set(page, true, false)) return false;
    return true;
  }
  if (*high / pagesPerBitmapPage() >= entryCount()) return false;
  // Promotion: the row keeps its length; its entries start empty.
  auto row = store_.editRow();
  std::fill(row.begin(), row.end(), 0);
  row[0] = um::kReference;
  inline_ = false;
  for (std::uint32_t page : pages)
    if (!recordInReference(page)) return false;
  return true;
}

bool UsageMap::grow(std::uint32_t page) {
  if (!inline_) return recordInReference(page);
  std::vector<std::uint32_t> held = pages();
  held.push_back(page);
  return assign(held);
}

}  // namespace engine
