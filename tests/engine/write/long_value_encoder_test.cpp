// The long-value encoder shared by the creator and the updater: which form a
// value takes, the reference it leaves in the row, and how a chain links.

#include "engine/write/long_value_encoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using engine::Bytes;
using engine::RowPointer;

struct RecordedRows {
  std::vector<Bytes> rows;
  engine::AddLongValueRow adder() {
    return [this](std::span<const std::uint8_t> row) {
      rows.emplace_back(row.begin(), row.end());
      return RowPointer{100 + static_cast<std::uint32_t>(rows.size()), 7};
    };
  }
};

TEST(LongValueEncoderTest, SmallDataGoesInlineBehindTheReference) {
  RecordedRows added;
  const Bytes data(64, 'x');
  auto field = engine::encodeLongValue(data, 200, {1, 2, 3, 4}, added.adder());
  EXPECT_TRUE(added.rows.empty());
  ASSERT_EQ(field.size(), 12u + 64u);
  EXPECT_EQ(engine::readU32(field, 0), 0x80000000u | 64u);
  EXPECT_EQ(engine::readU32(field, 4), 0u);
  EXPECT_EQ((Bytes(field.begin() + 8, field.begin() + 12)), (Bytes{1, 2, 3, 4}));
}

TEST(LongValueEncoderTest, DataThatFitsOneRowIsASingleRow) {
  RecordedRows added;
  const Bytes data(200, 'y');
  auto field = engine::encodeLongValue(data, 200, {}, added.adder());
  ASSERT_EQ(added.rows.size(), 1u);
  EXPECT_EQ(added.rows[0], data);
  ASSERT_EQ(field.size(), 12u);
  EXPECT_EQ(engine::readU32(field, 0), 0x40000000u | 200u);
  EXPECT_EQ(engine::readU32(field, 4), engine::rowPointer(101, 7));
}

TEST(LongValueEncoderTest, ChainRowsAreAddedLastFirstAndLinkForward) {
  RecordedRows added;
  Bytes data;
  for (int i = 0; i < 450; ++i) data.push_back(static_cast<std::uint8_t>(i));
  // Rows of at most 200 bytes carry 196 bytes of data: 196 + 196 + 58.
  auto field = engine::encodeLongValue(data, 200, {}, added.adder());
  ASSERT_EQ(added.rows.size(), 3u);
  EXPECT_EQ(added.rows[0].size(), 4u + 58u);
  EXPECT_EQ(engine::readU32(added.rows[0], 0), 0u);  // the last row ends the chain
  EXPECT_EQ(engine::readU32(added.rows[1], 0), engine::rowPointer(101, 7));
  EXPECT_EQ(engine::readU32(added.rows[2], 0), engine::rowPointer(102, 7));
  EXPECT_EQ(added.rows[2][4], 0);
  EXPECT_EQ(added.rows[1][4], 196);
  EXPECT_EQ(engine::readU32(field, 0), 450u);
  EXPECT_EQ(engine::readU32(field, 4), engine::rowPointer(103, 7));
}

TEST(LongValueEncoderTest, RowLimitLeavesTheHeaderAndMargin) {
  EXPECT_EQ(engine::maxLongValueRow(4096, 14), 4076u);
  EXPECT_EQ(engine::maxLongValueRow(2048, 10), 2032u);
}

}  // namespace
