// Index keys compared with keys found in indexes that Access itself wrote
// (General Legacy sort order), as the database creator computes them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "engine/support/create_test_readers.h"
#include "engine/text/text_key.h"
#include "engine/write/index_key.h"
#include "support/shared_dir.h"

namespace {

using namespace engine;

std::string hex(const Bytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (auto b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string textKey(std::u16string_view text) {
  return hex(textIndexKey(TextSortOrder::GeneralLegacy, text));
}

KeyColumn keyColumn(JetType type) { return {type, true, TextSortOrder::GeneralLegacy}; }

TEST(CreateTextKeyTest, MatchesKeysAccessWrote) {
  EXPECT_EQ(textKey(u"Tables"), "6d4a4c5e516b0100");
  EXPECT_EQ(textKey(u"MSysObjects"), "606b766b644c5b514d6d6b0100");
  EXPECT_EQ(textKey(u"Table1"), "6d4a4c5e51380100");
  EXPECT_EQ(textKey(u"only ascii chars"), "64625e76074a6b4d5959074d574a696b0100");
  EXPECT_EQ(textKey(u"attachment1.txt"), "4a6d6d4a4d576051626d381c6d756d0100");
  EXPECT_EQ(
      textKey(u"f_B2444F72C17C49C3B2E92EED7C2E6EF3_Data"),
      "532b034c3a3e3e3e53443a4d38444d3e484d3c4c3a51483a51514f444d3a514251533c2b034f4a6d4a0100");
  EXPECT_EQ(textKey(u""), "0100");
}

TEST(CreateTextKeyTest, AccentsGoToTheExtraBytes) {
  EXPECT_EQ(textKey(u"ääkkösiä"), "4a4a5c5c646b594a01131302021302021300");
  EXPECT_EQ(textKey(u"ümlaut"), "6f605e4a6f6d011300");
  EXPECT_EQ(textKey(u"é"), "51010e00");
  EXPECT_EQ(textKey(u"À"), "4a010f00");
  EXPECT_EQ(textKey(u"~sq_cSök~sq_ccboFöretag"),
            "2b0f6b682b034d6b645c2b0f6b682b034d4d4c6453646951"
            "6d4a550102020202020213020202020202020202021300");
}

TEST(CreateTextKeyTest, HyphensAndApostrophesBecomePositionedRecords) {
  EXPECT_EQ(textKey(u"~sq_cOrdrar~sq_cOrdrar-subDetaljer"),
            "2b0f6b682b034d64694f694a692b0f6b682b034d64694f694a696b6f4c4f516d4a5e5b5169"
            "01010101805f068200");
  EXPECT_EQ(textKey(u"~sq_cAAAA-OrdrarOLD~sq_ccboHandläggare"),
            "2b0f6b682b034d4a4a4a4a64694f694a69645e4f2b0f6b682b034d4d4c64574a624f5e4a55554a6951"
            "010202020202020202020202020202020202020202020202020202020202020213010101802b068200");
}

TEST(CreateTextKeyTest, CaseDoesNotChangeTheKey) {
  EXPECT_EQ(textKey(u"O'Brien-Smith"), textKey(u"o'brien-smith"));
  EXPECT_EQ(textKey(u"MÜLLER"), textKey(u"müller"));
  EXPECT_EQ(textKey(u"ab  "), textKey(u"AB"));  // trailing spaces do not count
}

// Every code unit has a code now; these once had none.
TEST(CreateTextKeyTest, CharactersBeyondLatin1HaveKeys) {
  EXPECT_EQ(textKey(u"\u0131"), "59010300");          // dotless i: I59,3
  EXPECT_EQ(textKey(u"\u0130"), "59011000");          // dotted capital I: I59,10
  EXPECT_EQ(textKey(u"\u00B5"), "34af0100");          // micro sign: S34AF
  EXPECT_EQ(textKey(u"\u039C"), "79170100");          // capital mu: S7917
  EXPECT_EQ(textKey(u"\u0100"), textKey(u"\u0101"));  // Ā and ā share I4A,17
  EXPECT_EQ(textKey(u"\u0100"), "4a011700");
  EXPECT_EQ(textKey(u"\u0000"), "0100");  // ignored
  EXPECT_NE(textKey(u"Ελλάδα"), textKey(u""));
}

// testUnicodeCompV2003.mdb indexes a value holding every character from
// U+0001 to U+00FF; the key computed here must occur in that file verbatim.
TEST(CreateTextKeyTest, EveryLatin1CharacterAsInAnAccessMadeIndex) {
  SKIP_WITHOUT_CORPUS();
  auto path = *testsupport::corpusDir() / "testUnicodeCompV2003.mdb";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "corpus file missing";
  std::ifstream in(path, std::ios::binary);
  const Bytes file{std::istreambuf_iterator<char>(in), {}};
  std::u16string all;
  for (char16_t c = 1; c <= 0xFF; ++c) all += c;
  auto key = textIndexKey(TextSortOrder::GeneralLegacy, all);
  Bytes entry{0x7F};
  entry.insert(entry.end(), key.begin(), key.end());
  EXPECT_GT(entry.size(), 500u);
  EXPECT_NE(std::search(file.begin(), file.end(), entry.begin(), entry.end()), file.end());
  // A single changed byte is not found: the search itself discriminates.
  entry[200] ^= 0x01;
  EXPECT_EQ(std::search(file.begin(), file.end(), entry.begin(), entry.end()), file.end());
}

// testIndexCodesV1997.mdb indexes Double (Table4) and Single (Table5) values;
// the key of every value must occur in that file.
TEST(CreateIndexKeyTest, FloatingPointKeysAsInAnAccessMadeIndex) {
  SKIP_WITHOUT_CORPUS();
  SKIP_WITHOUT_MDBTOOLS();
  auto path = *testsupport::corpusDir() / "testIndexCodesV1997.mdb";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "corpus file missing";
  std::ifstream in(path, std::ios::binary);
  const Bytes file{std::istreambuf_iterator<char>(in), {}};
  for (auto [table, type] : {std::pair{"Table4", 0x07}, std::pair{"Table5", 0x06}}) {
    const KeyColumn column = keyColumn(static_cast<JetType>(type));
    int checked = 0;
    for (const auto& row : createtest::mdbExport(path, table)) {
      if (row.size() < 2 || row[1].empty() || row[1] == "data") continue;
      Bytes stored(type == 0x07 ? 8 : 4);
      if (type == 0x07) {
        double v = std::stod(row[1]);
        std::memcpy(stored.data(), &v, 8);
      } else {
        float v = std::stof(row[1]);
        std::memcpy(stored.data(), &v, 4);
      }
      Bytes key;
      ASSERT_TRUE(appendColumnKey(key, column, true, stored, u""));
      EXPECT_NE(std::search(file.begin(), file.end(), key.begin(), key.end()), file.end())
          << table << " " << row[1];
      ++checked;
    }
    EXPECT_GT(checked, 10) << table;
  }
}

TEST(CreateIndexKeyTest, NumbersSortAsBytes) {
  const KeyColumn longColumn = keyColumn(JetType::Long);
  Bytes key;
  ASSERT_TRUE(appendColumnKey(key, longColumn, true, Bytes{0x00, 0x00, 0x00, 0x0F}, u""));
  EXPECT_EQ(hex(key), "7f8f000000");  // 0x0F000000, as in MSysObjects' ParentIdName index
  key.clear();
  ASSERT_TRUE(appendColumnKey(key, longColumn, true, Bytes{0x00, 0x00, 0x00, 0x80}, u""));
  EXPECT_EQ(hex(key), "7f00000000");  // the smallest Long
  key.clear();
  ASSERT_TRUE(appendColumnKey(key, longColumn, false, Bytes{}, u""));
  EXPECT_EQ(hex(key), "00");

  const KeyColumn doubleColumn = keyColumn(JetType::Double);
  Bytes positive, negative, zero;
  ASSERT_TRUE(appendColumnKey(positive, doubleColumn, true, Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F},
                              u""));  // 1.0
  ASSERT_TRUE(appendColumnKey(negative, doubleColumn, true, Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0xBF},
                              u""));  // -1.0
  ASSERT_TRUE(appendColumnKey(zero, doubleColumn, true, Bytes{0, 0, 0, 0, 0, 0, 0, 0}, u""));
  EXPECT_LT(negative, zero);
  EXPECT_LT(zero, positive);
  EXPECT_EQ(hex(positive), "7fbff0000000000000");
}

}  // namespace
