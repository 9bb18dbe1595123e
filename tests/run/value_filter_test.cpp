#include "run/value_filter.h"

#include <gtest/gtest.h>

#include <QDateTime>
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

// Forms that start with a name (a weekday, a month, an AM/PM mark) and
// forms that start with a number, in locales that write them differently:
// every text that the locale's own parser reads back is a date.
TEST_F(ValueFilter, EveryLocalesOwnFormsReadAsDates) {
  int letterFirst = 0;
  for (const char* name : {"en_US", "de_DE", "es_ES", "ja_JP", "ko_KR", "zh_CN", "ar_EG", "hu_HU",
                           "fa_IR", "my_MM", "vi_VN", "bg_BG"}) {
    const QLocale locale{QString::fromLatin1(name)};
    QLocale::setDefault(locale);
    for (auto type : {QLocale::ShortFormat, QLocale::LongFormat, QLocale::NarrowFormat}) {
      for (const QDate date : {QDate(2021, 8, 31), QDate(1999, 12, 25)}) {
        const QDateTime when(date, QTime(15, 7, 9));
        const QString forms[] = {locale.toString(date, type), locale.toString(when, type),
                                 locale.toString(when.time(), type)};
        const bool readBack[] = {locale.toDate(forms[0], type).isValid(),
                                 locale.toDateTime(forms[1], type).isValid(),
                                 locale.toTime(forms[2], type).isValid()};
        for (int i = 0; i < 3; ++i) {
          if (!readBack[i]) continue;
          EXPECT_TRUE(Run::ReadsAsDate(forms[i])) << name << ": " << forms[i].toStdString();
          letterFirst += forms[i][0].isLetter();
        }
      }
    }
  }
  EXPECT_GT(letterFirst, 10) << "forms that start with a name were not tried";
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  for (const char* text : {"paris 19743", "Tue 10:30", "PM 3:15", "August 2021x"})
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

// The reason a dry run gives is the run's own verdict: a value has a reason
// exactly when one of the two tests fails it.
TEST_F(ValueFilter, ReasonsAgreeWithTheTwoTests) {
  using R = Run::LeftAlone;
  const std::vector<std::tuple<ado::Value, int, std::optional<R>>> cases = {
      {ado::Text(u"hello"), ado::adVarWChar, std::nullopt},
      {ado::Text(u" "), ado::adVarWChar, std::nullopt},
      {ado::Value::null(), ado::adVarWChar, R::Null},
      {ado::Text(), ado::adLongVarWChar, R::Empty},
      {ado::Text(u"3.5"), ado::adVarWChar, R::Number},
      {ado::Text(u"(12)"), ado::adVarWChar, R::Number},
      {ado::Text(u"2021-08-31"), ado::adVarWChar, R::Date},
      {ado::Text(u"10:30 PM"), ado::adVarWChar, R::Date},
      {ado::Text(u"hello"), ado::adLongVarBinary, R::NotText},
      {std::int32_t{5}, ado::adInteger, R::NotText},
      {ado::DateTime{44000}, ado::adDate, R::NotText},
      {ado::Bytes{1, 2}, ado::adVarBinary, R::NotText},
      {ado::Value(), ado::adVarWChar, R::NotText},
  };
  for (const auto& [value, type, reason] : cases) {
    SCOPED_TRACE(testing::PrintToString(static_cast<int>(reason.value_or(R(-1)))));
    EXPECT_EQ(Run::WhyLeftAlone(value, type), reason);
    EXPECT_EQ(!Run::WhyLeftAlone(value, type).has_value(),
              Run::PassesFirstTest(value, type) && Run::PassesSecondTest(value));
  }
}

}  // namespace
