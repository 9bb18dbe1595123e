// Usage maps the updater grows, built byte by byte: an inline map shifted
// to a new window, promoted to a reference map in its own row, a reference
// map given a new bitmap page; the global map never grows; and a damaged
// map is damage to the updater as it is to the reader.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/error.h"
#include "engine/file.h"
#include "engine/format/byte_order.h"
#include "engine/format/layout_usage_map.h"
#include "engine/pager/pager.h"
#include "engine/read/usage_map.h"
#include "engine/write/page_allocation.h"
#include "engine/write/page_changes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace um = engine::layout::usage_map;
constexpr std::size_t kPage = 4096;
const engine::Format kJet4{engine::Version::Jet4, 1};
constexpr std::uint32_t kMap = engine::rowPointer(1, 1);  // row 1 of page 1

// A file of `pages` pages whose page 1 holds the global map (row 0: an
// inline map of page 0 on, every page in use) and the map under test (row 1).
Bytes fileWithMap(std::size_t pages, const Bytes& map) {
  Bytes file(pages * kPage, 0);
  std::uint8_t* page = &file[kPage];
  page[0] = 0x01;
  page[1] = 0x01;
  page[12] = 2;
  const std::size_t global = kPage - um::kMapRowSizeJet4;
  const std::size_t start = global - map.size();
  engine::putU16(std::span(page, kPage), 14, static_cast<std::uint16_t>(global));
  engine::putU16(std::span(page, kPage), 16, static_cast<std::uint16_t>(start));
  std::copy(map.begin(), map.end(), page + start);
  return file;
}

Bytes inlineMap(std::uint32_t start, std::vector<std::uint32_t> pages) {
  Bytes row(um::kMapRowSizeJet4, 0);
  engine::putU32(row, um::kInlineStart, start);
  for (auto page : pages)
    row[5 + (page - start) / 8] |= static_cast<std::uint8_t>(1u << ((page - start) % 8));
  return row;
}

// `head` followed by zero pages up to `pages` pages, held sparsely.
class SparseFile final : public engine::File {
 public:
  SparseFile(Bytes head, std::uint64_t pages) : head_(std::move(head)), size_(pages * kPage) {}
  const std::string& path() const override { return path_; }
  std::uint64_t size() const override { return size_; }
  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    for (std::size_t i = 0; i < out.size(); ++i)
      out[i] = offset + i < head_.size() ? head_[offset + i] : 0;
  }
  void write(std::uint64_t, std::span<const std::uint8_t>) override { FAIL(); }
  void sync() override {}

 private:
  std::string path_ = "maps.mdb";
  Bytes head_;
  std::uint64_t size_;
};

struct Updater {
  // The file `head`, grown with zero pages to `pages` pages.
  explicit Updater(Bytes head, std::uint64_t pages = 0)
      : memory(std::make_unique<SparseFile>(head,
                                            std::max<std::uint64_t>(pages, head.size() / kPage))),
        pager(*memory, kPage, 64),
        changes(pager, kJet4) {}
  std::unique_ptr<engine::File> memory;
  engine::Pager pager;
  engine::PageChanges changes;

  std::uint8_t kind() { return changes.read(1)[kPage - um::kMapRowSizeJet4 - um::kMapRowSizeJet4]; }
  std::uint32_t start() {
    return engine::readU32(changes.read(1), kPage - 2 * um::kMapRowSizeJet4 + um::kInlineStart);
  }
};

TEST(UsageMapGrowth, InlineMapShiftsToARoundedStart) {
  Updater u(fileWithMap(8, inlineMap(0, {})), 601);
  ASSERT_TRUE(engine::setUsageBit(u.changes, kMap, 100, true));
  ASSERT_TRUE(engine::setUsageBit(u.changes, kMap, 101, true));
  ASSERT_TRUE(engine::setUsageBit(u.changes, kMap, 600, true));
  EXPECT_EQ(u.kind(), um::kInline);
  EXPECT_EQ(u.start(), 96u);
  EXPECT_EQ(engine::usagePages(u.changes, kMap), (std::vector<std::uint32_t>{100, 101, 600}));
  EXPECT_EQ(u.changes.pageCount(), 601u) << "a shift adds no page";
}

TEST(UsageMapGrowth, InlineMapTooWideIsPromotedInItsRow) {
  Updater u(fileWithMap(8, inlineMap(0, {2, 7})), 40001);
  ASSERT_TRUE(engine::setUsageBit(u.changes, kMap, 40000, true));
  EXPECT_EQ(u.kind(), um::kReference);
  // Bitmap pages for entries 0 and 1, appended and of type 0x05.
  EXPECT_EQ(u.changes.pageCount(), 40003u);
  EXPECT_EQ(u.changes.read(40001)[0], 0x05);
  EXPECT_EQ(u.changes.read(40002)[0], 0x05);
  EXPECT_EQ(engine::usagePages(u.changes, kMap), (std::vector<std::uint32_t>{2, 7, 40000}));
  // The bitmap pages count as used in the global map.
  EXPECT_FALSE(engine::usageBit(u.changes, engine::kGlobalUsageMap, 40001));
}

TEST(UsageMapGrowth, ReferenceMapGainsABitmapPageWhereItHasNone) {
  Bytes row(um::kMapRowSizeJet4, 0);
  row[0] = um::kReference;
  engine::putU32(row, 1, 3);
  Bytes file = fileWithMap(8, row);
  file[3 * kPage] = 0x05;
  file[3 * kPage + 1] = 0x01;
  file[3 * kPage + 4] = 0x10;  // page 4
  const std::uint64_t perPage = um::pagesPerBitmapPage(kPage);
  Updater u(std::move(file), 2 * perPage + 2);
  ASSERT_TRUE(
      engine::setUsageBit(u.changes, kMap, static_cast<std::uint32_t>(2 * perPage + 1), true));
  EXPECT_EQ(u.changes.pageCount(), 2 * perPage + 3);
  EXPECT_EQ(u.changes.read(static_cast<std::uint32_t>(2 * perPage + 2))[0], 0x05);
  EXPECT_EQ(engine::usagePages(u.changes, kMap),
            (std::vector<std::uint32_t>{4, static_cast<std::uint32_t>(2 * perPage + 1)}));
  // A map past its last entry cannot record the page.
  EXPECT_FALSE(
      engine::setUsageBit(u.changes, kMap, static_cast<std::uint32_t>(17 * perPage), true));
}

TEST(UsageMapGrowth, GlobalMapNeverGrows) {
  Updater u(fileWithMap(8, inlineMap(0, {})));
  EXPECT_FALSE(engine::setUsageBit(u.changes, engine::kGlobalUsageMap, 5000, true));
  EXPECT_TRUE(engine::setUsageBit(u.changes, engine::kGlobalUsageMap, 5000, false));
  EXPECT_EQ(u.changes.read(1)[kPage - um::kMapRowSizeJet4], um::kInline);
  EXPECT_EQ(u.changes.pageCount(), 8u);
}

// What the reader calls damage, the updater does too, and changes nothing.
TEST(UsageMapGrowth, DamagedMapIsDamageToReaderAndUpdaterAlike) {
  Bytes unknown = inlineMap(0, {});
  unknown[0] = 0x07;
  Bytes wrongBitmap(um::kMapRowSizeJet4, 0);
  wrongBitmap[0] = um::kReference;
  engine::putU32(wrongBitmap, 1, 3);
  Bytes pastEnd = inlineMap(0, {20});
  for (const Bytes& map : {unknown, wrongBitmap, pastEnd}) {
    Bytes file = fileWithMap(8, map);
    file[3 * kPage] = 0x02;  // not a bitmap page
    {
      auto memory = engine::makeMemoryFile(Bytes(file), "maps.mdb");
      engine::Pager pager(*memory, kPage, 8);
      try {
        engine::readUsageMap(pager, kJet4, kMap);
        ADD_FAILURE() << "the reader read a damaged map";
      } catch (const engine::Error& e) {
        EXPECT_EQ(e.kind(), engine::ErrorKind::Damaged);
      }
    }
    Updater u(std::move(file));
    try {
      static_cast<void>(engine::setUsageBit(u.changes, kMap, 700, true));
      ADD_FAILURE() << "the updater grew a damaged map";
    } catch (const engine::Error& e) {
      EXPECT_EQ(e.kind(), engine::ErrorKind::Damaged);
    }
  }
}

}  // namespace
