#include "run/value_filter.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "ado/constants.h"

namespace {

class ValueFilter : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = QLocale();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  }
  void TearDown() override { QLocale::setDefault(saved_); }

 private:
  QLocale saved_;
};

TEST_F(ValueFilter, NumbersInTheLocalesForms) {
  for (const char* text :
       {"42", "3.5", " -7 ", "+1e5", "1,234.5", "$1,000.00", "(12)", "&H1F", ".5"})
    EXPECT_TRUE(Run::ReadsAsNumber(text)) << text;
  for (const char* text : {"", "abc", "12 Main St.", "1.2.3", "O'Hare", "4x4"})
    EXPECT_FALSE(Run::ReadsAsNumber(text)) << text;
}

TEST_F(ValueFilter, NumbersInAnotherLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_TRUE(Run::ReadsAsNumber("1.234,5"));
  EXPECT_TRUE(Run::ReadsAsNumber("3,5"));
}

TEST_F(ValueFilter, DatesAndTimes) {
  for (const char* text : {"2021-08-31", "2021-08-31T10:15:00", "2021-08-31 10:15", "10:30",
                           "10:30:15", "8/31/2021", "Tuesday, August 31, 2021", "3:15 PM"})
    EXPECT_TRUE(Run::ReadsAsDate(text)) << text;
  for (const char* text : {"", "Monday", "Flat 2021", "2021-13-45", "room 10"})
    EXPECT_FALSE(Run::ReadsAsDate(text)) << text;
}

TEST_F(ValueFilter, TypeDecidesFirst) {
  EXPECT_TRUE(Run::PassesFirstTest(ado::Text(u"hello"), ado::adVarWChar));
  EXPECT_FALSE(Run::PassesFirstTest(ado::Text(u"hello"), ado::adLongVarBinary));
  EXPECT_FALSE(Run::PassesFirstTest(std::int32_t{5}, ado::adInteger));
  EXPECT_FALSE(Run::PassesFirstTest(ado::Currency{10000}, ado::adCurrency));
  EXPECT_FALSE(Run::PassesFirstTest(true, ado::adBoolean));
  EXPECT_FALSE(Run::PassesFirstTest(ado::DateTime{44000}, ado::adDate));
  EXPECT_FALSE(Run::PassesFirstTest(ado::Bytes{1, 2}, ado::adVarBinary));
  EXPECT_FALSE(Run::PassesFirstTest(ado::Text(u"2021-08-31"), ado::adVarWChar));
  EXPECT_FALSE(Run::PassesFirstTest(ado::Text(u"42"), ado::adLongVarWChar));
}

TEST_F(ValueFilter, SecondTestRefusesEmptyAndNull) {
  EXPECT_FALSE(Run::PassesSecondTest(ado::Text()));
  EXPECT_FALSE(Run::PassesSecondTest(ado::Value::null()));
  EXPECT_TRUE(Run::PassesSecondTest(ado::Text(u" ")));
}

}  // namespace
