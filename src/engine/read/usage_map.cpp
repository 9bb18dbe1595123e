#include "engine/read/usage_map.h"

#include <map>
#include <stdexcept>

#include "engine/error.h"
#include "engine/format/usage_map.h"
#include "engine/read/data_page.h"

namespace engine {

namespace {

// A map as stored, read through the pager; the reader never changes it.
class StoredMap final : public UsageMapStore {
 public:
  StoredMap(Pager& pager, const Format& format, std::uint32_t pointer)
      : pager_(pager), where_(RowPointer::fromRaw(pointer)) {
    PageRef ref = pager_.page(where_.page);
    DataPageView page(pager_.view(ref, where_.page), format);
    const BoundedBytes row = page.row(where_.row);
    row_.assign(row.all().begin(), row.all().end());
  }

  std::uint32_t pageSize() const override { return pager_.pageSize(); }
  std::uint32_t pageCount() const override { return pager_.pageCount(); }
  std::span<const std::uint8_t> row() override { return row_; }
  std::span<std::uint8_t> editRow() override { throw std::logic_error("a read-only usage map"); }
  std::span<const std::uint8_t> read(std::uint32_t page) override {
    auto it = held_.find(page);
    if (it == held_.end()) it = held_.emplace(page, pager_.page(page)).first;
    return *it->second;
  }
  std::span<std::uint8_t> edit(std::uint32_t) override {
    throw std::logic_error("a read-only usage map");
  }
  std::uint32_t append() override { throw std::logic_error("a read-only usage map"); }
  std::uint32_t rowPage() const override { return where_.page; }
  [[noreturn]] void damaged(std::uint32_t page, const std::string& what) const override {
    throw Error::damaged(pager_.path(), page, what);
  }

 private:
  Pager& pager_;
  RowPointer where_;
  std::vector<std::uint8_t> row_;
  std::map<std::uint32_t, PageRef> held_;
};

}  // namespace

std::vector<std::uint32_t> readUsageMap(Pager& pager, const Format& format, std::uint32_t pointer) {
  StoredMap store(pager, format, pointer);
  return UsageMap(store).pages();
}

std::vector<std::uint32_t> readLastPagesOfUsageMap(Pager& pager, const Format& format,
                                                   std::uint32_t pointer, std::size_t limit) {
  std::vector<std::uint32_t> pages;
  if (limit == 0) return pages;
  StoredMap store(pager, format, pointer);
  UsageMap(store).visitFromLast([&](std::uint32_t page) {
    pages.push_back(page);
    return pages.size() < limit;
  });
  return pages;
}

}  // namespace engine
