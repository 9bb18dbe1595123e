#include "ado/sql.h"

#include <gtest/gtest.h>

#include "ado/error.h"

namespace {

using ado::sql::Parse;

TEST(SqlSelect, StarAndSingleColumnWithEveryNameForm) {
  auto s = std::get<ado::sql::Select>(Parse(u"SELECT * FROM `Asset Items`"));
  EXPECT_EQ(s.table, u"Asset Items");
  EXPECT_FALSE(s.column);
  s = std::get<ado::sql::Select>(Parse(u"select `City` from Orders"));
  EXPECT_EQ(s.column, u"City");
  EXPECT_EQ(s.table, u"Orders");
  s = std::get<ado::sql::Select>(Parse(u"  SeLeCt [my field]\r\nFROM [T 1] ; "));
  EXPECT_EQ(s.column, u"my field");
  EXPECT_EQ(s.table, u"T 1");
}

TEST(SqlSelect, KeywordsInAccentsAreNames) {
  auto s = std::get<ado::sql::Select>(Parse(u"SELECT `from` FROM `select`"));
  EXPECT_EQ(s.column, u"from");
  EXPECT_EQ(s.table, u"select");
}

TEST(SqlUpdate, TheProgramsStatement) {
  auto u = std::get<ado::sql::Update>(
      Parse(u"update [Orders] set [City]='O''hare' where [City]='o''hare'"));
  EXPECT_EQ(u.table, u"Orders");
  EXPECT_EQ(u.setColumn, u"City");
  EXPECT_EQ(u.newValue, u"O'hare");
  EXPECT_EQ(u.whereColumn, u"City");
  EXPECT_EQ(u.oldValue, u"o'hare");
}

TEST(SqlUpdate, LiteralsKeepEverythingInside) {
  auto u = std::get<ado::sql::Update>(
      Parse(u"UPDATE t SET c = 'a  b\r\n[x] `y` -- z;' WHERE c = ''''''"));
  EXPECT_EQ(u.newValue, u"a  b\r\n[x] `y` -- z;");
  EXPECT_EQ(u.oldValue, u"''");
  u = std::get<ado::sql::Update>(Parse(u"UPDATE t SET c='' WHERE c=' '"));
  EXPECT_EQ(u.newValue, u"");
  EXPECT_EQ(u.oldValue, u" ");
}

TEST(SqlErrors, AnythingElseIsASyntaxError) {
  for (const char16_t* text :
       {u"SELECT FROM t", u"SELECT * FROM", u"SELECT * FROM t WHERE x = 1", u"SELECT a, b FROM t",
        u"UPDATE t SET c='x'", u"UPDATE t SET c='x' WHERE c='y' OR 1=1",
        u"UPDATE t SET c=x WHERE c='y'", u"UPDATE t SET c='x WHERE c='y'", u"SELECT `a FROM t",
        u"SELECT [] FROM t", u"UPDATE t SET c='x' WHERE c='y'; DROP TABLE t"}) {
    try {
      Parse(text);
      ADD_FAILURE() << "accepted: "
                    << std::string(text, text + std::char_traits<char16_t>::length(text));
    } catch (const ado::Error& e) {
      EXPECT_EQ(e.number(), ado::Error::kSyntaxError);
    }
  }
  try {
    Parse(u"DELETE FROM t");
    ADD_FAILURE();
  } catch (const ado::Error& e) {
    EXPECT_EQ(e.number(), ado::Error::kSyntaxError);
  }
  try {
    Parse(u"UPDATE t SET c='x'");
  } catch (const ado::Error& e) {
    EXPECT_EQ(e.description(), "Syntax error in UPDATE statement.");
  }
}

TEST(SqlQuote, DoublesEveryApostrophe) {
  EXPECT_EQ(ado::sql::QuoteLiteral(u"o'hare's"), u"'o''hare''s'");
  EXPECT_EQ(ado::sql::QuoteLiteral(u""), u"''");
  const std::u16string tricky = u"'';--'";
  auto u = std::get<ado::sql::Update>(Parse(u"UPDATE t SET c=" + ado::sql::QuoteLiteral(tricky) +
                                            u" WHERE c=" + ado::sql::QuoteLiteral(tricky)));
  EXPECT_EQ(u.newValue, tricky);
  EXPECT_EQ(u.oldValue, tricky);
}

}  // namespace
