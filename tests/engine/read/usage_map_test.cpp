// Usage maps built byte by byte: inline maps, reference maps with their
// bitmap pages, and maps that claim pages past the end of the file.

#include "engine/read/usage_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "engine/error.h"
#include "engine/file.h"
#include "engine/format/layout_usage_map.h"
#include "engine/pager/pager.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kPage = 4096;
const engine::Format kJet4{engine::Version::Jet4, 1};

// A file of `pages` pages whose page 1 is a data page holding one row, `row`.
Bytes fileWithMapRow(std::size_t pages, const Bytes& row) {
  Bytes file(pages * kPage, 0);
  std::uint8_t* page = &file[kPage];
  page[0] = 0x01;
  page[1] = 0x01;
  page[12] = 1;  // one row
  std::size_t start = kPage - row.size();
  page[14] = static_cast<std::uint8_t>(start);
  page[15] = static_cast<std::uint8_t>(start >> 8);
  std::copy(row.begin(), row.end(), page + start);
  return file;
}

std::vector<std::uint32_t> read(Bytes file) {
  auto memory = engine::makeMemoryFile(std::move(file), "maps.mdb");
  engine::Pager pager(*memory, kPage, 8);
  return engine::readUsageMap(pager, kJet4, 1u << 8);  // row 0 of page 1
}

std::vector<std::uint32_t> readLast(Bytes file, std::size_t limit) {
  auto memory = engine::makeMemoryFile(std::move(file), "maps.mdb");
  engine::Pager pager(*memory, kPage, 8);
  return engine::readLastPagesOfUsageMap(pager, kJet4, 1u << 8, limit);
}

// The last `limit` of `pages`, highest first.
std::vector<std::uint32_t> lastOf(std::vector<std::uint32_t> pages, std::size_t limit) {
  std::reverse(pages.begin(), pages.end());
  if (pages.size() > limit) pages.resize(limit);
  return pages;
}

TEST(UsageMap, InlineMapCountsFromItsStartPage) {
  Bytes row{0x00, 2, 0, 0, 0, 0b00000101, 0b00000010};
  EXPECT_EQ(read(fileWithMapRow(16, row)), (std::vector<std::uint32_t>{2, 4, 11}));
}

TEST(UsageMap, ReferenceMapReadsItsBitmapPages) {
  // Entry 0: bitmap page 3; entry 1: none (0); entry 2: an invalid number.
  Bytes row{0x01, 3, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF, 0xFF};
  Bytes file = fileWithMapRow(16, row);
  std::uint8_t* bitmap = &file[3 * kPage];
  bitmap[0] = 0x05;
  bitmap[1] = 0x01;
  bitmap[4] = 0b01010000;  // pages 4 and 6
  bitmap[5] = 0b00000001;  // page 8
  EXPECT_EQ(read(file), (std::vector<std::uint32_t>{4, 6, 8}));
}

TEST(UsageMap, ReferenceToAPageOfAnotherTypeIsDamaged) {
  Bytes row{0x01, 3, 0, 0, 0};
  Bytes file = fileWithMapRow(16, row);
  file[3 * kPage] = 0x02;
  EXPECT_THROW(read(file), engine::Error);
}

TEST(UsageMap, PageBeyondTheFileIsDamaged) {
  Bytes row{0x00, 2, 0, 0, 0, 0, 0, 0x01};  // page 2 + 16 = 18 of 16
  try {
    read(fileWithMapRow(16, row));
    FAIL();
  } catch (const engine::Error& e) {
    EXPECT_NE(e.description().find("beyond the end of the file"), std::string::npos);
  }
}

TEST(UsageMap, UnknownMapKindIsDamaged) {
  Bytes row{0x07, 0, 0, 0, 0};
  EXPECT_THROW(read(fileWithMapRow(4, row)), engine::Error);
}

// A large file of zeros that holds only the pages a test sets.
class SparseFile : public engine::File {
 public:
  SparseFile(std::uint64_t pages) : size_(pages * kPage) {}
  Bytes& page(std::uint64_t number) {
    Bytes& bytes = pages_[number];
    bytes.resize(kPage);
    return bytes;
  }
  const std::string& path() const override { return path_; }
  std::uint64_t size() const override { return size_; }
  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    for (std::size_t i = 0; i < out.size(); ++i) {
      auto it = pages_.find((offset + i) / kPage);
      out[i] = it == pages_.end() ? 0 : it->second[(offset + i) % kPage];
    }
  }
  void write(std::uint64_t, std::span<const std::uint8_t>) override { FAIL(); }
  void sync() override {}

 private:
  std::string path_ = "maps.mdb";
  std::uint64_t size_;
  std::map<std::uint64_t, Bytes> pages_;
};

// The search for a page with room reads a map from its end: it must find
// what the whole read finds, across bitmap pages, missing ones and stray bits.
TEST(UsageMap, LastPagesAreTheWholeMapsTailHighestFirst) {
  namespace um = engine::layout::usage_map;
  const std::uint64_t perPage = um::pagesPerBitmapPage(kPage);
  const std::uint64_t pages = 2 * perPage + 1000;  // the third bitmap page is partly used
  std::mt19937 random(7);
  for (int trial = 0; trial < 24; ++trial) {
    SparseFile file(pages);
    const Bytes mapPage = fileWithMapRow(2, {0x01, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0});
    file.page(1).assign(mapPage.begin() + kPage, mapPage.end());
    const int missing = trial % 4;  // 3: none missing
    if (missing < 3) file.page(1)[kPage - 12 + 4 * missing] = 0;
    const int density = 1 + trial % 6;  // from a few bits to many
    for (int j = 0; j < 3; ++j) {
      Bytes& bitmap = file.page(2 + j);
      bitmap[0] = 0x05;
      bitmap[1] = 0x01;
      for (std::size_t byte = um::kBitmapPageHeader; byte < kPage; ++byte)
        if (random() % (600 / density) == 0) bitmap[byte] = static_cast<std::uint8_t>(random());
    }
    // No bit for a page past the end of the file.
    Bytes& last = file.page(4);
    std::fill(last.begin() + um::kBitmapPageHeader + 1000 / 8, last.end(), 0);
    engine::Pager pager(file, kPage, 8);
    const std::vector<std::uint32_t> all = engine::readUsageMap(pager, kJet4, 1u << 8);
    ASSERT_FALSE(all.empty());
    for (std::size_t limit : {std::size_t{1}, std::size_t{32}, all.size() + 5})
      EXPECT_EQ(engine::readLastPagesOfUsageMap(pager, kJet4, 1u << 8, limit), lastOf(all, limit))
          << "trial " << trial << ", limit " << limit;
  }
}

TEST(UsageMap, LastPagesOfAnInlineMapAndOfAnEmptyOne) {
  Bytes row{0x00, 2, 0, 0, 0, 0b00000101, 0, 0, 0, 0, 0, 0, 0, 0, 0b10000010};
  EXPECT_EQ(readLast(fileWithMapRow(128, row), 3), (std::vector<std::uint32_t>{81, 75, 4}));
  Bytes empty{0x00, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(readLast(fileWithMapRow(128, empty), 32), std::vector<std::uint32_t>{});
}

TEST(UsageMap, LastPagesBeyondTheFileAreDamaged) {
  Bytes row{0x00, 2, 0, 0, 0, 0b00000001, 0x01};  // pages 2 and 10 of 8
  EXPECT_THROW(readLast(fileWithMapRow(8, row), 1), engine::Error);
}

}  // namespace
