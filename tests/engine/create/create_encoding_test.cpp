// The small encoders of the creator: text compression, usage maps, rows and
// long-value references.

#include <gtest/gtest.h>

#include "engine/create/long_value.h"
#include "engine/create/page_file.h"
#include "engine/create/row.h"
#include "engine/create/row_pages.h"
#include "engine/create/table_layout.h"
#include "engine/create/usage_map.h"
#include "engine/format/layout_data_page.h"
#include "engine/format/layout_header.h"
#include "engine/format/layout_long_value.h"
#include "engine/format/layout_usage_map.h"
#include "engine/text/text_encoder.h"
#include "engine/utf.h"

namespace {

using namespace engine;
using namespace engine::create;
namespace dp = engine::layout::data_page;
namespace h = engine::layout::header;
namespace lv = engine::layout::long_value;
namespace um = engine::layout::usage_map;

TEST(CreateTextTest, CompressesOnlyQualifyingValues) {
  EXPECT_EQ(encodeJet4Text(u"abc", true), (Bytes{0xFF, 0xFE, 'a', 'b', 'c'}));
  EXPECT_EQ(encodeJet4Text(u"abc", false), (Bytes{'a', 0, 'b', 0, 'c', 0}));
  EXPECT_EQ(encodeJet4Text(u"ab", true), (Bytes{'a', 0, 'b', 0}));  // too short to gain
  EXPECT_EQ(encodeJet4Text(u"ÿéà", true), (Bytes{0xFF, 0xFE, 0xFF, 0xE9, 0xE0}));
  EXPECT_EQ(encodeJet4Text(u"abŸ", true), (Bytes{'a', 0, 'b', 0, 0x78, 0x01}));
  EXPECT_EQ(encodeJet4Text(std::u16string(u"a\0b", 3), true), (Bytes{'a', 0, 0, 0, 'b', 0}));
  EXPECT_TRUE(compressible(std::u16string(1024, u'x')));
  EXPECT_FALSE(compressible(std::u16string(1025, u'x')));
}

TEST(CreateTextTest, Utf8OfSurrogatePairs) { EXPECT_EQ(toUtf8(u"é😀"), "\xC3\xA9\xF0\x9F\x98\x80"); }

TEST(CreateUsageMapTest, InlineMapCoversItsWindow) {
  PageFile file;
  std::vector<std::uint32_t> pages{10, 11, 520};
  auto row = usageMapRow(file, pages);
  ASSERT_EQ(row.size(), um::kMapRowSizeJet4);
  EXPECT_EQ(row[0], um::kInline);
  EXPECT_EQ(readU32(row, 1), 10u);
  EXPECT_EQ(row[5], 0x03);                      // pages 10 and 11
  EXPECT_EQ(row[5 + 510 / 8], 1 << (510 % 8));  // page 520 = start + 510
  EXPECT_EQ(file.pageCount(), 0u);
}

TEST(CreateUsageMapTest, ReferenceMapBeyondTheWindow) {
  PageFile file;
  for (int i = 0; i < 5; ++i) file.allocate();
  std::vector<std::uint32_t> pages{3, 4, 600, 40000};
  auto row = usageMapRow(file, pages);
  EXPECT_EQ(row[0], um::kReference);
  auto first = readU32(row, 1);
  auto second = readU32(row, 5);
  EXPECT_EQ(first, 5u);
  EXPECT_EQ(second, 6u);
  EXPECT_EQ(readU32(row, 9), 0u);
  auto bitmap = file.page(first);
  EXPECT_EQ(bitmap[0], dp::kTypeUsageMap);
  EXPECT_EQ(bitmap[4], 0x18);  // pages 3 and 4
  EXPECT_EQ(bitmap[4 + 600 / 8], 1 << (600 % 8));
  auto page = 40000 - um::pagesPerBitmapPage(h::kPageSizeJet4);
  EXPECT_EQ(file.page(second)[4 + page / 8], 1 << (page % 8));
}

TEST(CreateRowPagesTest, PacksRowsFromThePageEnd) {
  PageFile file;
  RowPages rows(file, 7);
  Bytes a(100, 0xAA), b(50, 0xBB);
  EXPECT_EQ(rows.add(a), (RowPointer{0, 0}));
  EXPECT_EQ(rows.add(b), (RowPointer{0, 1}));
  auto page = file.page(0);
  EXPECT_EQ(readU32(page, 4), 7u);
  EXPECT_EQ(readU16(page, 12), 2);
  EXPECT_EQ(readU16(page, 14), h::kPageSizeJet4 - 100);
  EXPECT_EQ(readU16(page, 16), h::kPageSizeJet4 - 150);
  EXPECT_EQ(readU16(page, dp::kFreeSpace), h::kPageSizeJet4 - 150 - 14 - 4);
  EXPECT_EQ(page[h::kPageSizeJet4 - 1], 0xAA);
  EXPECT_EQ(page[h::kPageSizeJet4 - 101], 0xBB);
  Bytes big(4000, 1);
  EXPECT_EQ(rows.add(big).page, 1u);
}

TEST(CreateLongValueTest, ReferencesForEachForm) {
  PageFile file;
  LongValueWriter writer(file);
  Bytes small(64, 1);
  auto inlined = writer.write(small);
  EXPECT_EQ(readU32(inlined, 0), lv::kInlineFlag | 64);
  EXPECT_EQ(inlined.size(), 12u + 64);
  Bytes single(65, 2);
  auto one = writer.write(single);
  EXPECT_EQ(readU32(one, 0), lv::kSingleRowFlag | 65);
  EXPECT_EQ(one.size(), 12u);
  Bytes chained(10000, 3);
  auto chain = writer.write(chained);
  EXPECT_EQ(readU32(chain, 0), 10000u);
  // Follow the chain and add up the chunks.
  std::size_t total = 0;
  auto pointer = readU32(chain, 4);
  while (pointer != 0) {
    auto page = file.page(pointer >> 8);
    auto row = pointer & 0xFF;
    EXPECT_EQ(readU32(page, 4), lv::kPageOwner);
    auto start = readU16(page, 14 + 2 * row) & 0x1FFF;
    auto end = row == 0 ? h::kPageSizeJet4 : readU16(page, 14 + 2 * (row - 1)) & 0x1FFF;
    total += end - start - 4;
    pointer = readU32(page, start);
  }
  EXPECT_EQ(total, 10000u);
}

TEST(CreateRowTest, LayoutOfFixedAndVariableColumns) {
  engine::NewTable table{u"T",
                         {{u"A", engine::NewColumn::Type::Long},
                          {u"B", engine::NewColumn::Type::Text, 10},
                          {u"C", engine::NewColumn::Type::YesNo},
                          {u"D", engine::NewColumn::Type::Text, 10}},
                         {},
                         {}};
  auto layout = layoutUserTable(table);
  std::vector<StoredField> fields{
      {true, {1, 0, 0, 0}}, {true, {'h', 0, 'i', 0}}, {true, {}}, {false, {}}};
  auto row = encodeRow(layout, fields);
  // count(2) fixed(4) var "hi"(4) EOD(2) offsets D,B(4) var count(2) mask(1)
  EXPECT_EQ(row, (Bytes{4, 0, 1, 0, 0, 0, 'h', 0, 'i', 0, 10, 0, 10, 0, 6, 0, 2, 0, 0x07}));
}

TEST(CreateTableLayoutTest, UnicodeCompressionFollowsTheColumn) {
  engine::NewTable table{u"T",
                         {{u"Packed", engine::NewColumn::Type::Text, 10},
                          {u"Plain", engine::NewColumn::Type::Text, 10, false},
                          {u"Notes", engine::NewColumn::Type::Memo, 0, false},
                          {u"N", engine::NewColumn::Type::Long}},
                         {},
                         {}};
  auto layout = layoutUserTable(table);
  EXPECT_TRUE(layout.columns[0].allowsCompression());
  EXPECT_FALSE(layout.columns[1].allowsCompression());
  EXPECT_FALSE(layout.columns[2].allowsCompression());
  EXPECT_FALSE(layout.columns[3].allowsCompression());
  StoredField packed = storeValue(layout.columns[0], engine::Text(u"abc"), "x");
  StoredField plain = storeValue(layout.columns[1], engine::Text(u"abc"), "x");
  EXPECT_EQ(packed.bytes.size(), 5u);
  EXPECT_EQ(plain.bytes.size(), 6u);
}

}  // namespace
