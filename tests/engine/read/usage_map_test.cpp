// Usage maps built byte by byte: inline maps, reference maps with their
// bitmap pages, and maps that claim pages past the end of the file.

#include "engine/read/usage_map.h"

#include <gtest/gtest.h>

#include "engine/base/error.h"
#include "engine/io/file.h"
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

}  // namespace
