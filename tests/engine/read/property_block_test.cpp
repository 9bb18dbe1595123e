// Property blocks built byte by byte: names, a column's entries, and chunk
// lengths that do not fit.

#include "engine/read/property_block.h"

#include <gtest/gtest.h>

#include "engine/error.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
const engine::Format kJet4{engine::Version::Jet4, 1};
const std::string kPath = "props.accdb";

void put16(Bytes& b, std::size_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::size_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
void putName(Bytes& b, std::u16string_view name) {
  put16(b, name.size() * 2);
  for (char16_t c : name) put16(b, c);
}
void putChunk(Bytes& b, std::uint16_t kind, const Bytes& content) {
  put32(b, content.size() + 6);
  put16(b, kind);
  b.insert(b.end(), content.begin(), content.end());
}

Bytes sampleBlock() {
  Bytes block{'M', 'R', '2', 0};
  Bytes names;
  putName(names, u"ResultType");
  putName(names, u"AppendOnly");
  putChunk(block, 0x80, names);
  Bytes column;
  put32(column, 4 + 2 + 2);  // header: length, name "c"
  putName(column, u"c");
  // ResultType: Byte 8
  put16(column, 9);
  column.insert(column.end(), {0, 0x02});
  put16(column, 0);
  put16(column, 1);
  column.push_back(8);
  // AppendOnly: Yes/No true
  put16(column, 9);
  column.insert(column.end(), {0, 0x01});
  put16(column, 1);
  put16(column, 1);
  column.push_back(0xFF);
  putChunk(block, 0x01, column);
  return block;
}

TEST(PropertyBlock, ColumnEntriesResolveTheirNames) {
  Bytes block = sampleBlock();
  auto sets = engine::parsePropertyBlock(engine::BoundedBytes(block, 9, kPath), kJet4);
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_TRUE(sets[0].isColumn);
  EXPECT_EQ(sets[0].target, u"c");
  const auto* result = sets[0].find(u"resulttype");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->value.as<std::uint8_t>(), 8);
  const auto* appendOnly = sets[0].find(u"AppendOnly");
  ASSERT_NE(appendOnly, nullptr);
  EXPECT_TRUE(appendOnly->value.as<bool>());
}

TEST(PropertyBlock, ChunkLongerThanTheBlockIsDamaged) {
  Bytes block = sampleBlock();
  block[4] = 0xFF;  // first chunk's length
  EXPECT_THROW(engine::parsePropertyBlock(engine::BoundedBytes(block, 9, kPath), kJet4),
               engine::Error);
}

TEST(PropertyBlock, WrongSignatureIsDamaged) {
  Bytes block = sampleBlock();
  block[0] = 'X';
  EXPECT_THROW(engine::parsePropertyBlock(engine::BoundedBytes(block, 9, kPath), kJet4),
               engine::Error);
}

TEST(PropertyBlock, EntryOverrunningItsChunkIsDamaged) {
  Bytes block = sampleBlock();
  // The first entry of the column chunk claims 200 bytes.
  std::size_t namesChunk = 4 + 6 + 2 + 20 + 2 + 20;
  std::size_t firstEntry = namesChunk + 6 + 4 + 2 + 2;
  block[firstEntry] = 200;
  EXPECT_THROW(engine::parsePropertyBlock(engine::BoundedBytes(block, 9, kPath), kJet4),
               engine::Error);
}

}  // namespace
