// The decoders that turn stored bytes into values: text (compression, code
// page 1252), dates (before 1899 too), currency, decimal, GUID, Date/Time
// Extended, and Jet 3 / Jet 4 row layouts built byte by byte.

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "dump_json.h"
#include "engine/error.h"
#include "engine/file.h"
#include "engine/jet_type.h"
#include "engine/pager/pager.h"
#include "engine/read/row_decoder.h"
#include "engine/read/value_decoder.h"
#include "engine/text/text_codec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kPath = "synthetic.mdb";

engine::BoundedBytes view(const Bytes& bytes) { return engine::BoundedBytes(bytes, 1, kPath); }

engine::ColumnDefinition column(engine::JetType type) {
  engine::ColumnDefinition c;
  c.name = u"c";
  c.type = static_cast<std::uint8_t>(type);
  return c;
}

const engine::Format kJet3{engine::Version::Jet3, 0};
const engine::Format kJet4{engine::Version::Jet4, 1};

TEST(UnicodeCompression, OneByteRunDecodesToLatin1Units) {
  Bytes stored{0xFF, 0xFE, 'A', 'b', 0xE9, 0xFF};
  EXPECT_EQ(engine::decodeJet4Text(stored), u"Ab\u00e9\u00ff");
}

TEST(UnicodeCompression, ZeroByteTogglesToTwoByteUnitsAndBack) {
  // "A", toggle, U+043A (2 bytes), toggle, "B"
  Bytes stored{0xFF, 0xFE, 'A', 0x00, 0x3A, 0x04, 0x00, 'B'};
  EXPECT_EQ(engine::decodeJet4Text(stored), u"A\u043aB");
}

TEST(UnicodeCompression, UncompressedTextIsUtf16AndDropsAnOddByte) {
  Bytes stored{'H', 0, 'i', 0, 0x3D, 0xD8, 0x00, 0xDE, 0x41};
  EXPECT_EQ(engine::decodeJet4Text(stored), u"Hi\U0001F600");
}

TEST(UnicodeCompression, EndingInTwoByteModeKeepsWholeUnitsOnly) {
  Bytes stored{0xFF, 0xFE, 'x', 0x00, 0x41, 0x00, 0x42};
  EXPECT_EQ(engine::decodeJet4Text(stored), u"xA");
}

TEST(CodePage1252, MapsTheHighRangeLikeWindows) {
  Bytes stored{'a', 0x80, 0x8A, 0x9F, 0xE9, 0xFF};
  EXPECT_EQ(engine::decodeCodePage1252(stored), u"a\u20ac\u0160\u0178\u00e9\u00ff");
}

TEST(CodePage1252, UndefinedBytesBecomeTheSameC1Controls) {
  Bytes stored{0x81, 0x8D, 0x8F, 0x90, 0x9D};
  EXPECT_EQ(engine::decodeCodePage1252(stored), u"\u0081\u008d\u008f\u0090\u009d");
}

Bytes le64(std::uint64_t v) {
  Bytes b(8);
  for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
  return b;
}

TEST(Dates, DaysAfterTheEpochReadLinearly) {
  EXPECT_EQ(dumpjson::dateTimeText(0).toStdString(), "1899-12-30T00:00:00");
  EXPECT_EQ(dumpjson::dateTimeText(1.5).toStdString(), "1899-12-31T12:00:00");
  EXPECT_EQ(dumpjson::dateTimeText(29932).toStdString(), "1981-12-12T00:00:00");
  EXPECT_EQ(dumpjson::dateTimeText(0.5 + 0.123 / 86400).toStdString(), "1899-12-30T12:00:00.123");
}

TEST(Dates, BeforeTheEpochTheTimeOfDayStaysPositive) {
  EXPECT_EQ(dumpjson::dateTimeText(-1.25).toStdString(), "1899-12-29T06:00:00");
  EXPECT_EQ(dumpjson::dateTimeText(-1).toStdString(), "1899-12-29T00:00:00");
  // 1265-06-14 12:45 as Access stores it.
  double days = -231762 - 0.53125;
  EXPECT_EQ(dumpjson::dateTimeText(days).toStdString(), "1265-06-14T12:45:00");
}

TEST(Dates, StoredDoubleDecodesToDateTime) {
  Bytes stored = le64(std::bit_cast<std::uint64_t>(-1.25));
  auto value = engine::decodeScalar(0x08, column(engine::JetType::DateTime), view(stored), kJet4);
  ASSERT_TRUE(value.is<engine::DateTime>());
  EXPECT_EQ(value.as<engine::DateTime>().days, -1.25);
}

TEST(Dates, ExtendedTextParsesToTicks) {
  std::string text = "0000000000000036323:0000000459001234567:7";
  Bytes stored(text.begin(), text.end());
  stored.push_back(0);
  auto value =
      engine::decodeScalar(0x14, column(engine::JetType::DateTimeExtended), view(stored), kJet4);
  ASSERT_TRUE(value.is<engine::DateTimeExtended>());
  EXPECT_EQ(
      dumpjson::dateTimeExtendedText(value.as<engine::DateTimeExtended>().ticks).toStdString(),
      "0100-06-14T12:45:00.1234567");
}

TEST(Dates, MalformedExtendedTextIsDamage) {
  std::string text = "00000000000000363x3:0000000459001234567:7";
  Bytes stored(text.begin(), text.end());
  stored.push_back(0);
  EXPECT_THROW(
      engine::decodeScalar(0x14, column(engine::JetType::DateTimeExtended), view(stored), kJet4),
      engine::Error);
}

TEST(Numbers, CurrencyIsTenThousandths) {
  Bytes stored = le64(static_cast<std::uint64_t>(std::int64_t{-10000}));
  auto value = engine::decodeScalar(0x05, column(engine::JetType::Currency), view(stored), kJet4);
  ASSERT_TRUE(value.is<engine::Currency>());
  EXPECT_EQ(value.as<engine::Currency>().tenThousandths, -10000);
  EXPECT_EQ(dumpjson::valueToJson(value, column(engine::JetType::Currency)).toString(), "-1.0000");
  auto big =
      engine::decodeScalar(0x05, column(engine::JetType::Currency), view(le64(19955000)), kJet4);
  EXPECT_EQ(dumpjson::valueToJson(big, column(engine::JetType::Currency)).toString(), "1995.5000");
}

TEST(Numbers, DecimalWordsAreMostSignificantFirst) {
  auto c = column(engine::JetType::Decimal);
  c.scale = 6;
  Bytes stored(17, 0);
  stored[0] = 0x80;  // negative
  std::uint32_t magnitude = 36222200;
  std::memcpy(&stored[13], &magnitude, 4);  // least significant word last
  stored[9] = 1;                            // word 2: 1 << 32
  auto value = engine::decodeScalar(0x10, c, view(stored), kJet4);
  ASSERT_TRUE(value.is<engine::Decimal>());
  const auto& d = value.as<engine::Decimal>();
  EXPECT_TRUE(d.negative);
  EXPECT_EQ(d.scale, 6);
  EXPECT_EQ(d.high, 0u);
  EXPECT_EQ(d.low, (std::uint64_t{1} << 32) + 36222200);
  stored[9] = 0;
  auto small = engine::decodeScalar(0x10, c, view(stored), kJet4);
  EXPECT_EQ(dumpjson::valueToJson(small, c).toString(), "-36.222200");
}

TEST(Numbers, SingleKeepsItsExactValue) {
  float f = 444.555f;
  Bytes stored(4);
  std::memcpy(stored.data(), &f, 4);
  auto value = engine::decodeScalar(0x06, column(engine::JetType::Single), view(stored), kJet4);
  ASSERT_TRUE(value.is<float>());
  EXPECT_EQ(
      dumpjson::canonical(dumpjson::valueToJson(value, column(engine::JetType::Single)), true),
      "444.55499267578125");
}

TEST(Numbers, ShortFixedValueIsDamageNotAnOverread) {
  Bytes stored{1, 2, 3};
  EXPECT_THROW(engine::decodeScalar(0x07, column(engine::JetType::Double), view(stored), kJet4),
               engine::Error);
}

TEST(Guids, FirstThreeGroupsAreLittleEndian) {
  Bytes stored{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
               0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  auto value = engine::decodeScalar(0x0F, column(engine::JetType::Guid), view(stored), kJet4);
  EXPECT_EQ(dumpjson::valueToJson(value, column(engine::JetType::Guid)).toString(),
            "{00112233-4455-6677-8899-AABBCCDDEEFF}");
}

// Row decoding over a synthetic table; the pager is only needed for long
// values, which these rows do not have.
class SyntheticRows : public ::testing::Test {
 protected:
  SyntheticRows()
      : file_(engine::makeMemoryFile(Bytes(4096 * 4), kPath)), pager_(*file_, 4096, 4) {}
  std::unique_ptr<engine::File> file_;
  engine::Pager pager_;
};

engine::ColumnDefinition textColumn(std::u16string name, std::uint16_t number,
                                    std::uint16_t variableIndex) {
  auto c = column(engine::JetType::Text);
  c.name = std::move(name);
  c.number = number;
  c.variableIndex = variableIndex;
  c.length = 255;
  return c;
}

TEST_F(SyntheticRows, Jet3RowLongerThan256BytesUsesItsJumpTable) {
  engine::TableDefinition table;
  table.variableColumnCount = 2;
  table.columns = {textColumn(u"a", 0, 0), textColumn(u"b", 1, 1)};
  // count, 200 + 60 bytes of text, offsets 1/201/261 (261 stored as 5 plus a
  // jump byte saying entry 2 is past 256), v = 2, null mask.
  Bytes row{2};
  row.insert(row.end(), 200, 'x');
  row.insert(row.end(), 60, 'y');
  row.insert(row.end(), {5, 201, 1, 2, 2, 0x03});
  ASSERT_EQ(row.size(), 267u);
  engine::RowDecoder decoder(pager_, kJet3, table);
  std::vector<engine::Value> values;
  decoder.decode(view(row), values);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].text(), std::u16string(200, u'x'));
  EXPECT_EQ(values[1].text(), std::u16string(60, u'y'));
}

TEST_F(SyntheticRows, Jet4RowFromBeforeAnAddedColumnReadsNull) {
  engine::TableDefinition table;
  table.variableColumnCount = 2;
  auto number = column(engine::JetType::Long);
  number.name = u"n";
  number.number = 0;
  number.flags = 0x01;
  number.fixedOffset = 0;
  // Columns 0 (fixed), 2 (text, column 1 was deleted) and 3 (added later).
  table.columns = {number, textColumn(u"t", 2, 0), textColumn(u"late", 3, 1)};
  // count 3, fixed Long 7, "hi" compressed, EOD, offsets, v = 1, mask 0b101.
  Bytes row{3, 0, 7, 0, 0, 0, 0xFF, 0xFE, 'h', 'i'};
  row.insert(row.end(), {10, 0, 6, 0, 1, 0, 0x05});
  engine::RowDecoder decoder(pager_, kJet4, table);
  std::vector<engine::Value> values;
  decoder.decode(view(row), values);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].as<std::int32_t>(), 7);
  EXPECT_EQ(values[1].text(), u"hi");
  EXPECT_TRUE(values[2].isNull());
}

TEST_F(SyntheticRows, YesNoIsTheNullMaskBit) {
  engine::TableDefinition table;
  auto yes = column(engine::JetType::Boolean);
  yes.number = 0;
  yes.flags = 0x01;
  auto no = yes;
  no.number = 1;
  auto beyond = yes;
  beyond.number = 9;  // column added after the row was written
  table.columns = {yes, no, beyond};
  Bytes row{2, 0, 0x01};
  engine::RowDecoder decoder(pager_, kJet4, table);
  std::vector<engine::Value> values;
  decoder.decode(view(row), values);
  EXPECT_EQ(values[0].as<bool>(), true);
  EXPECT_EQ(values[1].as<bool>(), false);
  EXPECT_EQ(values[2].as<bool>(), false);
}

TEST_F(SyntheticRows, VariableOffsetsPastTheRowAreDamage) {
  engine::TableDefinition table;
  table.variableColumnCount = 1;
  table.columns = {textColumn(u"t", 0, 0)};
  Bytes row{1, 0, 'a', 0, 200, 0, 2, 0, 1, 0, 0x01};  // EOD 200 > row length
  engine::RowDecoder decoder(pager_, kJet4, table);
  std::vector<engine::Value> values;
  EXPECT_THROW(decoder.decode(view(row), values), engine::Error);
}

TEST_F(SyntheticRows, AnAbsurdVariableCountIsDamage) {
  engine::TableDefinition table;
  table.variableColumnCount = 1;
  table.columns = {textColumn(u"t", 0, 0)};
  Bytes row{1, 0, 0xFF, 0xFF, 0x01};
  engine::RowDecoder decoder(pager_, kJet4, table);
  std::vector<engine::Value> values;
  EXPECT_THROW(decoder.decode(view(row), values), engine::Error);
}

}  // namespace
