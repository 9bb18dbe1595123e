// The creator and the reader share one model of a table definition: what
// the creator lays out is what the reader finds in the file it wrote, for
// user and system tables in both formats.

#include <gtest/gtest.h>

#include "engine/create/system_tables.h"
#include "engine/create/table_layout.h"
#include "engine/database.h"
#include "engine/format/layout_index.h"
#include "engine/new_database.h"
#include "engine/utf.h"
#include "support/shared_dir.h"

namespace {

using engine::NewColumn;
using engine::NewDatabase;
using engine::NewTable;
using engine::TableDefinition;
using Type = NewColumn::Type;
namespace ix = engine::layout::index;

NewTable sampleTable() {
  NewTable table{u"Orders",
                 {{u"Id", Type::Long},
                  {u"Customer", Type::Text, 60},
                  {u"Code", Type::Text, 8, false},
                  {u"Notes", Type::Memo},
                  {u"Qty", Type::Integer},
                  {u"Paid", Type::YesNo},
                  {u"Total", Type::Currency},
                  {u"Placed", Type::DateTime},
                  {u"Scan", Type::OLE},
                  {u"Ref", Type::GUID},
                  {u"Größe", Type::Double}},
                 {{u"PrimaryKey", {u"Id"}, true, true},
                  {u"ByCustomer", {u"customer", u"Placed"}, false, false},
                  {u"Code", {u"CODE"}, false, true}},
                 {}};
  for (int r = 0; r < 40; ++r)
    table.rows.push_back({std::int32_t{r}, engine::Text(r % 4 ? u"Smith" : u"Jones"),
                          engine::Text(u"C" + std::u16string(1, char16_t(u'A' + r % 26)) +
                                       std::u16string(1, char16_t(u'a' + r / 26))),
                          engine::Text(std::u16string(r * 40, u'n')), std::int16_t(r), r % 2 == 0,
                          engine::Currency{r * 100}, engine::DateTime{40000.0 + r % 10},
                          engine::Bytes(static_cast<std::size_t>(r), 7), engine::Guid{}, r * 0.5});
  return table;
}

// Fills `expected` with what only the file can tell: where the pages went.
void takePlaces(TableDefinition& expected, const TableDefinition& actual) {
  expected.page = actual.page;
  expected.chain = actual.chain;
  expected.ownedPagesMap = actual.ownedPagesMap;
  expected.freePagesMap = actual.freePagesMap;
  EXPECT_NE(actual.ownedPagesMap, 0u) << "no owned-pages map";
  for (std::size_t i = 0; i < expected.realIndexes.size() && i < actual.realIndexes.size(); ++i) {
    expected.realIndexes[i].usageMap = actual.realIndexes[i].usageMap;
    expected.realIndexes[i].rootPage = actual.realIndexes[i].rootPage;
    EXPECT_NE(actual.realIndexes[i].rootPage, 0u) << "index " << i << " has no root";
  }
  for (std::size_t i = 0; i < expected.longValueMaps.size() && i < actual.longValueMaps.size();
       ++i) {
    expected.longValueMaps[i].ownedPages = actual.longValueMaps[i].ownedPages;
    expected.longValueMaps[i].freePages = actual.longValueMaps[i].freePages;
  }
}

// Adds the indexes of `specs` and the long-value maps the creator gives a table.
void addIndexes(TableDefinition& expected, const std::vector<engine::create::IndexSpec>& specs,
                const std::vector<std::uint32_t>& distinctCounts) {
  for (std::size_t i = 0; i < specs.size(); ++i) {
    engine::RealIndex real;
    for (auto position : specs[i].columns)
      real.columns.push_back({expected.columns[position].number, static_cast<int>(position), true});
    real.flags = specs[i].flags;
    real.distinctCount = distinctCounts[i];
    expected.realIndexes.push_back(real);
    expected.indexes.push_back(
        {specs[i].name, static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i),
         specs[i].primary ? ix::kLogicalKindPrimary : ix::kLogicalKindOther});
  }
  for (const auto& column : expected.columns)
    if (column.isLongValue()) expected.longValueMaps.push_back({column.number, 0, 0});
}

void expectSame(const TableDefinition& actual, TableDefinition expected) {
  takePlaces(expected, actual);
  ASSERT_EQ(actual.columns.size(), expected.columns.size());
  for (std::size_t i = 0; i < actual.columns.size(); ++i)
    EXPECT_EQ(actual.columns[i], expected.columns[i])
        << "column " << i << " of " << engine::toUtf8(expected.name);
  EXPECT_EQ(actual.realIndexes, expected.realIndexes);
  EXPECT_EQ(actual.indexes, expected.indexes);
  EXPECT_EQ(actual.longValueMaps, expected.longValueMaps);
  EXPECT_EQ(actual, expected);
}

class CreateDefinitionTest : public ::testing::TestWithParam<NewDatabase::Format> {
 protected:
  testsupport::TempDir dir_;
};

TEST_P(CreateDefinitionTest, TheReaderFindsTheDefinitionsTheCreatorLaidOut) {
  namespace create = engine::create;
  NewDatabase db;
  db.format = GetParam();
  db.tables.push_back(sampleTable());
  NewTable wide{u"Wide", {}, {}, {}};  // a definition on several pages
  for (int c = 0; c < 200; ++c)
    wide.columns.push_back({u"Column " + std::u16string(1, char16_t(u'A' + c / 26)) +
                                std::u16string(1, char16_t(u'a' + c % 26)),
                            c % 2 ? Type::Text : Type::Long, 10});
  wide.rows.push_back(std::vector<engine::Value>(wide.columns.size(), engine::Value::null()));
  db.tables.push_back(wide);
  const auto path =
      dir_.path() / (db.format == NewDatabase::Format::Ace12 ? "tables.accdb" : "tables.mdb");
  engine::createDatabase(path, db);
  auto file = engine::Database::open(path.string());

  TableDefinition orders = create::layoutUserTable(db.tables[0]);
  orders.rowCount = 40;
  // 40 ids; Jones on 5 days and Smith on 10; 40 codes.
  addIndexes(orders,
             {{u"PrimaryKey", {0}, true, true, create::userIndexFlags(true, true)},
              {u"ByCustomer", {1, 7}, false, false, create::userIndexFlags(false, false)},
              {u"Code", {2}, false, true, create::userIndexFlags(false, true)}},
             {40, 15, 40});
  expectSame(file->table(u"Orders"), orders);

  TableDefinition wideExpected = create::layoutUserTable(wide);
  wideExpected.rowCount = 1;
  const TableDefinition& wideRead = file->table(u"Wide");
  EXPECT_GT(wideRead.chain.size(), 1u);
  expectSame(wideRead, wideExpected);

  // The other system tables are written empty and without indexes.
  std::vector<TableDefinition> system{create::accessControlLayout(), create::queriesLayout(),
                                      create::relationshipsLayout()};
  if (db.format == NewDatabase::Format::Ace12) system.push_back(create::complexColumnsLayout());
  for (auto& expected : system) {
    addIndexes(expected, {}, {});
    expectSame(file->table(expected.name), expected);
  }

  // The catalogue's counts depend on the entries; the rest is laid out.
  TableDefinition catalogue = create::catalogLayout();
  const TableDefinition& catalogueRead = file->table(u"MSysObjects");
  catalogue.rowCount = catalogueRead.rowCount;
  std::vector<std::uint32_t> counts;
  for (const auto& index : catalogueRead.realIndexes) counts.push_back(index.distinctCount);
  counts.resize(2);
  addIndexes(catalogue, create::catalogIndexes(), counts);
  expectSame(catalogueRead, catalogue);
  EXPECT_GT(catalogue.rowCount, 10u);
}

INSTANTIATE_TEST_SUITE_P(Formats, CreateDefinitionTest,
                         ::testing::Values(NewDatabase::Format::Jet4, NewDatabase::Format::Ace12));

}  // namespace
