#include "engine/create/usage_map.h"

#include "engine/create/refusal.h"
#include "engine/error.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_usage_map.h"
#include "engine/format/usage_map.h"

namespace engine::create {

namespace um = layout::usage_map;

namespace {

// A map being made: its row is still a buffer, its bitmap pages are pages
// of the new file.
class NewMap final : public UsageMapStore {
 public:
  NewMap(PageFile& file, Bytes& row) : file_(file), row_(row) {}

  std::uint32_t pageSize() const override { return layout::header::kPageSizeJet4; }
  std::uint32_t pageCount() const override { return file_.pageCount(); }
  std::span<const std::uint8_t> row() override { return row_; }
  std::span<std::uint8_t> editRow() override { return row_; }
  std::span<const std::uint8_t> read(std::uint32_t page) override { return file_.page(page); }
  std::span<std::uint8_t> edit(std::uint32_t page) override { return file_.page(page); }
  std::uint32_t append() override { return file_.allocate(); }
  std::uint32_t rowPage() const override { return 0; }
  [[noreturn]] void damaged(std::uint32_t page, const std::string& what) const override {
    throw Error::damaged("", page, what);
  }

 private:
  PageFile& file_;
  Bytes& row_;
};

}  // namespace

Bytes usageMapRow(PageFile& file, std::span<const std::uint32_t> pages) {
  Bytes row(um::kMapRowSizeJet4, 0);
  NewMap store(file, row);
  if (!UsageMap(store).assign(pages)) throw Refusal("the database would be too large");
  return row;
}

UsageMaps::UsageMaps(PageFile& file) : file_(file), rows_(file, 0) {}

std::uint32_t UsageMaps::add(std::span<const std::uint32_t> pages) {
  auto row = usageMapRow(file_, pages);
  auto where = rows_.add(row);
  return rowPointer(where.page, where.row);
}

}  // namespace engine::create
