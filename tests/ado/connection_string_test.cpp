#include "ado/connection_string.h"

#include <gtest/gtest.h>

#include "ado/error.h"
#include "ado/factory.h"

namespace {

TEST(ConnectionString, ParsesWhatTheProgramMakes) {
  auto c = ado::ParseConnectionString(
      u"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/a b.mdb;JET OLEDB:Database Password=");
  EXPECT_EQ(c.provider, ado::Provider::Jet4);
  EXPECT_EQ(c.dataSource, u"/tmp/a b.mdb");
  EXPECT_EQ(c.password, u"");
  c = ado::ParseConnectionString(
      u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=x.accdb;JET OLEDB:Database Password=p;w=d");
  EXPECT_EQ(c.provider, ado::Provider::Ace12);
  EXPECT_EQ(c.password, u"p;w=d");
}

TEST(ConnectionString, KeysInAnyCase) {
  auto c = ado::ParseConnectionString(
      u"provider=microsoft.ace.oledb.12.0;DATA SOURCE=y.mdb;jet oledb:database password=Secret");
  EXPECT_EQ(c.provider, ado::Provider::Ace12);
  EXPECT_EQ(c.dataSource, u"y.mdb");
  EXPECT_EQ(c.password, u"Secret");
}

TEST(ConnectionString, UnknownProviderIs3706) {
  for (const char16_t* text : {u"Provider=SQLOLEDB;Data Source=x", u"Data Source=x.mdb", u""}) {
    try {
      ado::ParseConnectionString(text);
      ADD_FAILURE();
    } catch (const ado::Error& e) {
      EXPECT_EQ(e.number(), 3706);
      EXPECT_EQ(e.description(), "Provider cannot be found. It may not be properly installed.");
    }
  }
}

TEST(Factory, CreatesByProgIdOnly) {
  const ado::Factory factory;
  EXPECT_NE(factory.CreateConnection("ADODB.Connection"), nullptr);
  EXPECT_NE(factory.CreateConnection("adodb.connection"), nullptr);
  EXPECT_NE(factory.CreateRecordset("ADODB.RecordSet"), nullptr);
  try {
    static_cast<void>(factory.CreateConnection("ADODB.Command"));
    ADD_FAILURE() << "an unknown ProgID was created";
  } catch (const ado::Error& e) {
    EXPECT_EQ(e.number(), 429);
  }
  EXPECT_NE(factory.CreateConnection(), nullptr);
}

TEST(Recordset, ClosedObjectsRefuseWork) {
  auto recordset = ado::Factory().CreateRecordset();
  EXPECT_THROW(static_cast<void>(recordset->Eof()), ado::Error);
  EXPECT_THROW(recordset->Close(), ado::Error);
  recordset->openOver({ado::Field(u"A", 202)}, {{ado::Text(u"x")}, {ado::Value::null()}});
  EXPECT_EQ(recordset->RecordCount(), 2);
  EXPECT_EQ(recordset->ValueAt(0), ado::Value(ado::Text(u"x")));
  recordset->MoveNext();
  EXPECT_TRUE(recordset->ValueOf(u"A").isNull());
  recordset->MoveNext();
  EXPECT_TRUE(recordset->Eof());
  EXPECT_THROW(recordset->ValueAt(0), ado::Error);
  EXPECT_THROW(recordset->MoveNext(), ado::Error);
  EXPECT_THROW(recordset->FieldAt(1), ado::Error);
}

}  // namespace
