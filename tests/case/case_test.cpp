#include "case/case.h"

#include <gtest/gtest.h>

using Case::CaseMode;

namespace {

struct Conversion {
  CaseMode mode;
  std::u16string input;
  std::u16string expected;
};

class ConversionTable : public testing::TestWithParam<Conversion> {};

TEST_P(ConversionTable, ConvertsAsDocumented) {
  const Conversion& c = GetParam();
  EXPECT_EQ(Case::Convert(c.mode, c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Documented, ConversionTable,
    testing::Values(Conversion{CaseMode::Proper, u"hello world", u"Hello World"},
                    Conversion{CaseMode::Proper, u"HELLO   WORLD", u"Hello   World"},
                    Conversion{CaseMode::Proper, u"mary-jane o'NEIL", u"Mary-jane O'neil"},
                    Conversion{CaseMode::Proper, u"12 main st.", u"12 Main St."},
                    Conversion{CaseMode::Proper, u"(note) x", u"(note) X"},
                    Conversion{CaseMode::Proper, u"a\tb\rc", u"A\tB\rC"},
                    Conversion{CaseMode::Proper, u"one\r\ntwo", u"One\r\ntwo"},
                    Conversion{CaseMode::Proper, u"one\ntwo", u"One\ntwo"},
                    Conversion{CaseMode::Proper, u"", u""},
                    Conversion{CaseMode::Sentence, u"hELLO. wORLD", u"Hello. world"},
                    Conversion{CaseMode::Sentence, u" two Words", u" two words"},
                    Conversion{CaseMode::Sentence, u"x", u"X"},
                    Conversion{CaseMode::Sentence, u"", u""},
                    Conversion{CaseMode::Upper, u"Mixed Case 1", u"MIXED CASE 1"},
                    Conversion{CaseMode::Lower, u"Mixed Case 1", u"mixed case 1"}));

TEST(CaseLetters, MapsLettersBeyondAscii) {
  EXPECT_EQ(Case::UpperCase(u"é ñ ø"), u"É Ñ Ø");
  EXPECT_EQ(Case::LowerCase(u"ΑΘΗΝΑ ΜΟΣΚΒΑ"), u"αθηνα μοσκβα");
  EXPECT_EQ(Case::UpperCase(u"москва"), u"МОСКВА");
  EXPECT_EQ(Case::ProperCase(u"ΣΟΦΙΑ σοφια"), u"Σοφια Σοφια");
}

TEST(CaseLetters, SharpSStaysOneUnit) {
  EXPECT_EQ(Case::UpperCase(u"straße"), u"STRAßE");
  EXPECT_EQ(Case::LowerCase(u"STRAẞE"), u"straße");
}

TEST(CaseLetters, TurkishDottedAndDotlessIUseSimpleMappings) {
  EXPECT_EQ(Case::LowerCase(u"İ"), u"i");
  EXPECT_EQ(Case::UpperCase(u"ı"), u"I");
  EXPECT_EQ(Case::UpperCase(u"i"), u"I");
  EXPECT_EQ(Case::LowerCase(u"I"), u"i");
}

TEST(CaseLetters, GreekIotaSubscriptHasOneToOneUpperCase) {
  EXPECT_EQ(Case::UpperCase(u"\u1F80\u1FB3"), u"\u1F88\u1FBC");
}

TEST(CaseLetters, SurrogatePairsPassThroughIntact) {
  const std::u16string emoji = u"a\U0001F600b\U00010428";  // grinning face, Deseret letter
  EXPECT_EQ(Case::UpperCase(emoji), u"A\U0001F600B\U00010428");
  EXPECT_EQ(Case::ProperCase(u"\U0001F600x y"), u"\U0001F600x Y");
  const std::u16string lone = {u'a', char16_t(0xD83D), u'b'};
  EXPECT_EQ(Case::UpperCase(lone), (std::u16string{u'A', char16_t(0xD83D), u'B'}));
}

TEST(CaseLetters, NeverChangesLength) {
  std::u16string all;
  for (char32_t c = 1; c <= 0xFFFF; ++c) all.push_back(char16_t(c));
  EXPECT_EQ(Case::UpperCase(all).size(), all.size());
  EXPECT_EQ(Case::LowerCase(all).size(), all.size());
  EXPECT_EQ(Case::ProperCase(all).size(), all.size());
}

TEST(ProperCaseLength, ConvertsValuesOfAnyLength) {
  // The old 16-bit counter failed from 32,767 characters on; memo values are
  // much longer.
  for (std::size_t length : {32766u, 32767u, 32768u, 100000u}) {
    std::u16string value;
    while (value.size() < length) value += u"wORD ";
    value.resize(length);
    const std::u16string converted = Case::ProperCase(value);
    ASSERT_EQ(converted.size(), length);
    for (std::size_t i = 0; i < length; ++i) {
      const bool startsWord = i == 0 || value[i - 1] == u' ';
      const char16_t expected =
          startsWord ? Case::UpperCaseUnit(value[i]) : Case::LowerCaseUnit(value[i]);
      ASSERT_EQ(converted[i], expected) << "length " << length << " position " << i;
    }
  }
}

TEST(ModeSelection, EachEntrySelectsItsOwnMode) {
  EXPECT_EQ(Case::SelectCaseMode(u"UPPER CASE"), CaseMode::Upper);
  EXPECT_EQ(Case::SelectCaseMode(u"lower case"), CaseMode::Lower);
  EXPECT_EQ(Case::SelectCaseMode(u"Proper Case"), CaseMode::Proper);
  EXPECT_EQ(Case::SelectCaseMode(u"Sentence case"), CaseMode::Sentence);
}

TEST(ModeSelection, FirstKeywordInTableOrderWins) {
  EXPECT_EQ(Case::SelectCaseMode(u"sentence or UPPER"), CaseMode::Upper);
  EXPECT_EQ(Case::SelectCaseMode(u"proper lower"), CaseMode::Lower);
  EXPECT_EQ(Case::SelectCaseMode(u"title case"), std::nullopt);
  EXPECT_EQ(Case::SelectCaseMode(u""), std::nullopt);
}

}  // namespace
