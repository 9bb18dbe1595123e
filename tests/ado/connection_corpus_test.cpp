// The ADO-like objects over real Access files.
#include <gtest/gtest.h>

#include "ado/connection.h"
#include "ado/constants.h"
#include "ado/error.h"
#include "ado/factory.h"
#include "ado/recordset.h"
#include "support/shared_dir.h"

namespace {

std::u16string corpusFile(const char* name) {
  return (*testsupport::corpusDir() / name).u16string();
}

std::u16string jet(const std::u16string& path, const std::u16string& password = u"") {
  return u"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
         u";JET OLEDB:Database Password=" + password;
}

std::u16string ace(const std::u16string& path) {
  return u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + path +
         u";JET OLEDB:Database Password=";
}

TEST(ConnectionOnCorpus, JetProviderRefusesAceFilesAceOpensAll) {
  SKIP_WITHOUT_CORPUS();
  auto c = ado::Factory().CreateConnection();
  try {
    c->Open(jet(corpusFile("testV2007.accdb")));
    ADD_FAILURE() << "Jet opened an ACE file";
  } catch (const ado::Error& e) {
    EXPECT_EQ(e.engineKind(), engine::ErrorKind::NotDatabase);
    EXPECT_EQ(e.description().rfind("Unrecognized database format '", 0), 0u) << e.description();
  }
  c->Open(ace(corpusFile("testV1997.mdb")));
  c->Close();
  c->Open(ace(corpusFile("testV2007.accdb")));
  EXPECT_TRUE(c->IsOpen());
}

TEST(ConnectionOnCorpus, WrongPasswordAndMissingFile) {
  SKIP_WITHOUT_CORPUS();
  auto c = ado::Factory().CreateConnection();
  const auto file = corpusFile("mdbreader-password-V2000_with-password.mdb");
  for (const std::u16string password : {u"", u"Password", u"wrong"}) {
    try {
      c->Open(jet(file, password));
      ADD_FAILURE();
    } catch (const ado::Error& e) {
      EXPECT_EQ(e.number(), ado::Error::kNotValidPassword);
      EXPECT_EQ(e.engineKind(), engine::ErrorKind::WrongPassword);
      EXPECT_EQ(e.description(), "Not a valid password.");
    }
  }
  c->Open(jet(file, u"password"));
  c->Close();
  // A password given for a database without one is ignored.
  c->Open(jet(corpusFile("testV1997.mdb"), u"anything"));
  c->Close();
  EXPECT_THROW(c->Open(jet(u"/no/such/db.mdb")), ado::Error);
}

TEST(ConnectionOnCorpus, TablesSchemaOrderedByTypeThenName) {
  SKIP_WITHOUT_CORPUS();
  auto c = ado::Factory().CreateConnection();
  c->Open(ace(corpusFile("odbcLinkerTestV2007.accdb")));
  auto rs = c->OpenSchema(ado::adSchemaTables);
  std::vector<std::pair<std::u16string, std::u16string>> rows;
  for (; !rs->Eof(); rs->MoveNext())
    rows.emplace_back(rs->ValueOf(u"TABLE_TYPE").text(), rs->ValueOf(u"TABLE_NAME").text());
  ASSERT_FALSE(rows.empty());
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; }));
  auto has = [&](std::u16string type, std::u16string name) {
    return std::find(rows.begin(), rows.end(), std::make_pair(type, name)) != rows.end();
  };
  EXPECT_TRUE(has(u"TABLE", u"Lokal"));  // hidden local tables are listed
  EXPECT_TRUE(has(u"SYSTEM TABLE", u"MSysObjects"));
}

TEST(RecordsetOnCorpus, FieldsInTableOrderWithTypes) {
  SKIP_WITHOUT_CORPUS();
  auto c = ado::Factory().CreateConnection();
  c->SetMode(ado::adModeReadWrite);
  c->Open(ace(corpusFile("mdbreader-real-ASampleDatabase.accdb")));
  auto rs = ado::Factory().CreateRecordset();
  rs->Open(u"SELECT * FROM `Asset Items`", *c, ado::adOpenStatic, ado::adLockOptimistic);
  ASSERT_EQ(rs->FieldCount(), 13);
  EXPECT_EQ(rs->FieldAt(0).Name(), u"Asset No");
  EXPECT_EQ(rs->FieldAt(4).Name(), u"Description");
  EXPECT_EQ(rs->FieldAt(4).Type(), ado::adVarWChar);
  EXPECT_EQ(rs->FieldAt(12).Type(), ado::adLongVarWChar);
  EXPECT_EQ(rs->RecordCount(), 65);
  rs->Close();
  rs->Open(u"SELECT `Comments` FROM `Asset Items`", *c, ado::adOpenStatic, ado::adLockReadOnly);
  EXPECT_EQ(rs->FieldCount(), 1);
  long nulls = 0, count = 0;
  for (; !rs->Eof(); rs->MoveNext(), ++count) nulls += rs->ValueAt(0).isNull();
  EXPECT_EQ(count, 65);
  EXPECT_GT(nulls, 0);
}

TEST(RecordsetOnCorpus, UnknownNamesAreClearErrors) {
  SKIP_WITHOUT_CORPUS();
  auto c = ado::Factory().CreateConnection();
  c->Open(jet(corpusFile("testV1997.mdb")));
  auto rs = ado::Factory().CreateRecordset();
  try {
    rs->Open(u"SELECT * FROM `Nope`", *c, ado::adOpenStatic, ado::adLockReadOnly);
    ADD_FAILURE();
  } catch (const ado::Error& e) {
    EXPECT_EQ(e.description(), "Cannot find the input table or query 'Nope'.");
  }
  try {
    rs->Open(u"SELECT `Nope` FROM `Table1`", *c, ado::adOpenStatic, ado::adLockReadOnly);
    ADD_FAILURE();
  } catch (const ado::Error& e) {
    EXPECT_NE(e.description().find("'Nope'"), std::string::npos);
  }
  EXPECT_THROW(c->Execute(u"UPDATE [Table1] SET [A]='x' WHERE [A]='y'"), ado::Error);  // read-only
}

}  // namespace
