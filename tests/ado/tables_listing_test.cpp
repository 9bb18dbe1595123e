// The OLE DB view of an Access file's catalogue and columns: the tables
// listing and the ADO field types.

#include "ado/tables_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "ado/field_type.h"
#include "engine/database.h"
#include "engine/io/path.h"
#include "engine/simple_case.h"
#include "engine/utf.h"
#include "support/shared_dir.h"

namespace {

std::unique_ptr<engine::Database> openCorpus(const std::string& name,
                                             engine::OpenOptions options = {}) {
  return engine::Database::open(engine::utf8Of(*testsupport::corpusDir() / name), options);
}

std::vector<std::string> corpusDatabases() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(*testsupport::corpusDir())) {
    const auto extension = entry.path().extension();
    if (extension == ".mdb" || extension == ".accdb")
      names.push_back(engine::utf8Of(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Listing, ClassifiesTablesLinksAndViews) {
  SKIP_WITHOUT_CORPUS();
  auto types = [](engine::Database& db) {
    std::map<std::string, std::string> byName;
    for (const auto& row : ado::TablesListing(db)) byName[engine::toUtf8(row.name)] = row.type;
    return byName;
  };
  auto queries = openCorpus("queryTestV2000.mdb");
  auto q = types(*queries);
  EXPECT_EQ(q["MSysObjects"], "SYSTEM TABLE");
  EXPECT_EQ(q["SelectQuery"], "VIEW");
  EXPECT_EQ(q["UnionQuery"], "VIEW");
  EXPECT_EQ(q["CrosstabQuery"], "VIEW");
  EXPECT_EQ(q.count("UpdateQuery"), 0u);
  EXPECT_EQ(q.count("PassthroughQuery"), 0u);
  EXPECT_EQ(q["Table1"], "TABLE");

  auto odbc = openCorpus("odbcLinkerTestV2007.accdb");
  auto o = types(*odbc);
  EXPECT_EQ(std::count_if(o.begin(), o.end(), [](auto& kv) { return kv.second == "PASS-THROUGH"; }),
            1);
  EXPECT_EQ(o["Lokal"], "TABLE") << "hidden local tables are listed";
  EXPECT_EQ(o["MSysAccessStorage"], "ACCESS TABLE");
}

TEST(Listing, SortsByTypeThenNameIgnoringCase) {
  SKIP_WITHOUT_CORPUS();
  for (const auto& name : corpusDatabases()) {
    engine::OpenOptions options;
    options.password = u"password";  // every protected corpus file's; ignored elsewhere
    auto db = openCorpus(name, options);
    auto listing = ado::TablesListing(*db);
    for (std::size_t i = 1; i < listing.size(); ++i) {
      const auto &a = listing[i - 1], &b = listing[i];
      ASSERT_TRUE(a.type < b.type || (a.type == b.type && engine::compareNames(a.name, b.name) < 0))
          << name << ": " << engine::toUtf8(a.name) << " before " << engine::toUtf8(b.name);
    }
  }
}

TEST(Listing, RulesOverSyntheticEntries) {
  auto entry = [](std::u16string name, std::int16_t type, std::uint32_t flags, std::int32_t id) {
    engine::CatalogueEntry e;
    e.name = std::move(name);
    e.type = type;
    e.flags = static_cast<std::int32_t>(flags);
    e.id = id;
    return e;
  };
  std::vector<engine::CatalogueEntry> entries{
      entry(u"zeta", 1, 0, 1),
      entry(u"Hidden", 1, 0x8, 2),
      entry(u"~TMPCLP1", 1, 0, 3),
      entry(u"MSysObjects", 1, 0x80000000u, 4),
      entry(u"MSysNavPaneGroups", 1, 0x2, 5),
      entry(u"Linked", 6, 0x00200000, 6),
      entry(u"Odbc", 4, 0x20100000, 7),
      entry(u"Pick", 5, 0x00, 8),       // select
      entry(u"Cross", 5, 0x10, 9),      // crosstab
      entry(u"Both", 5, 0x80, 10),      // union
      entry(u"Change", 5, 0x30, 11),    // update: not a view
      entry(u"Ask", 5, 0x00, 12),       // select with parameters
      entry(u"~sq_form", 5, 0x03, 13),  // internal
      entry(u"Forms", 3, 0x80000000u, 14),
  };
  auto listing = ado::makeTablesListing(entries, {12});
  std::vector<std::pair<std::string, std::string>> got;
  for (const auto& row : listing) got.emplace_back(row.type, engine::toUtf8(row.name));
  std::vector<std::pair<std::string, std::string>> want{{"ACCESS TABLE", "MSysNavPaneGroups"},
                                                        {"LINK", "Linked"},
                                                        {"PASS-THROUGH", "Odbc"},
                                                        {"SYSTEM TABLE", "MSysObjects"},
                                                        {"TABLE", "Hidden"},
                                                        {"TABLE", "zeta"},
                                                        {"TABLE", "~TMPCLP1"},
                                                        {"VIEW", "Both"},
                                                        {"VIEW", "Cross"},
                                                        {"VIEW", "Pick"}};
  EXPECT_EQ(got, want);
}

TEST(AdoTypes, EachJetTypeReportsItsAdoType) {
  EXPECT_EQ(ado::adoTypeOf(0x0A, false), 202);
  EXPECT_EQ(ado::adoTypeOf(0x0C, false), 203);
  EXPECT_EQ(ado::adoTypeOf(0x0B, false), 205);
  EXPECT_EQ(ado::adoTypeOf(0x01, true), 11);
  EXPECT_EQ(ado::adoTypeOf(0x02, true), 17);
  EXPECT_EQ(ado::adoTypeOf(0x03, true), 2);
  EXPECT_EQ(ado::adoTypeOf(0x04, true), 3);
  EXPECT_EQ(ado::adoTypeOf(0x13, true), 20);
  EXPECT_EQ(ado::adoTypeOf(0x05, true), 6);
  EXPECT_EQ(ado::adoTypeOf(0x06, true), 4);
  EXPECT_EQ(ado::adoTypeOf(0x07, true), 5);
  EXPECT_EQ(ado::adoTypeOf(0x08, true), 7);
  EXPECT_EQ(ado::adoTypeOf(0x0F, true), 72);
  EXPECT_EQ(ado::adoTypeOf(0x10, true), 131);
  EXPECT_EQ(ado::adoTypeOf(0x09, false), 204);
  EXPECT_EQ(ado::adoTypeOf(0x12, true), 3);
}

TEST(AdoTypes, ColumnsOfACorpusTableReportTheirTypes) {
  SKIP_WITHOUT_CORPUS();
  auto db = openCorpus("testV1997.mdb");
  const auto& table = db->table(u"Table1");
  EXPECT_EQ(ado::FieldTypeOf(table.columns[0]), 202);
  EXPECT_EQ(ado::FieldTypeOf(table.columns[2]), 17);
  EXPECT_EQ(ado::FieldTypeOf(table.columns[8]), 11);
}

}  // namespace
