// The definition buffer read back as it was written: every field the model
// holds survives an encode and a decode, in any descriptor order.

#include "engine/read/table_definition_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/format/layout_tdef.h"
#include "engine/jet_type.h"

namespace {

using engine::ColumnDefinition;
using engine::JetType;
using engine::TableDefinition;
namespace td = engine::layout::tdef;

ColumnDefinition column(std::u16string name, JetType type, std::uint16_t number) {
  ColumnDefinition c;
  c.name = std::move(name);
  c.type = static_cast<std::uint8_t>(type);
  c.resultType = c.type;
  c.number = number;
  return c;
}

// A definition using every field the Jet 4 layout keeps.
TableDefinition sample() {
  TableDefinition t;
  t.rowCount = 1234;
  t.autoNumber = 77;
  t.tableType = td::kTableTypeUser;
  t.maxColumns = 9;  // more than the columns: one was deleted
  t.variableColumnCount = 2;
  t.ownedPagesMap = engine::rowPointer(12, 3);
  t.freePagesMap = engine::rowPointer(12, 4);

  auto id = column(u"Id", JetType::Long, 0);
  id.flags = td::kColumnFixed | td::kColumnUpdatable | td::kColumnAutoNumber;
  id.length = 4;
  auto name = column(u"Nom de famille été", JetType::Text, 1);
  name.flags = td::kColumnUpdatable;
  name.extendedFlags = td::kColumnCompressedUnicode;
  name.length = 100;
  name.sortOrder = 1033;
  name.sortVersion = 1;
  auto amount = column(u"Amount", JetType::Decimal, 3);  // number 2 was deleted
  amount.flags = td::kColumnFixed | td::kColumnUpdatable;
  amount.fixedOffset = 4;
  amount.length = 17;
  amount.precision = 18;
  amount.scale = 4;
  auto notes = column(u"Notes", JetType::Memo, 4);
  notes.flags = td::kColumnUpdatable | td::kColumnHyperlink;
  notes.variableIndex = 1;
  notes.sortOrder = 1036;
  auto attachments = column(u"Attachments", JetType::Complex, 5);
  attachments.flags = 0x07;
  attachments.fixedOffset = 21;
  attachments.length = 4;
  attachments.complexId = 42;
  t.columns = {id, name, amount, notes, attachments};

  engine::RealIndex primary;
  primary.columns = {{0, 0, true}};
  primary.usageMap = engine::rowPointer(20, 0);
  primary.rootPage = 21;
  primary.flags = 0x89;
  primary.distinctCount = 1234;
  engine::RealIndex byName;
  byName.columns = {{1, 1, true}, {3, 2, false}};
  byName.usageMap = engine::rowPointer(20, 1);
  byName.rootPage = 22;
  byName.flags = 0x80;
  byName.distinctCount = 1000;
  t.realIndexes = {primary, byName};
  t.indexes = {{u"PrimaryKey", 0, 0, 1, 0, false, false},
               {u"ByName", 1, 1, 0, 0, false, false},
               {u"Owner", 2, 1, 2, 9, true, true}};
  t.longValueMaps = {{4, engine::rowPointer(30, 0), engine::rowPointer(30, 1)}};
  return t;
}

TableDefinition decoded(const engine::Bytes& buffer) {
  static const std::string path = "buffer";
  return engine::decodeTableDefinition(engine::BoundedBytes(buffer, 5, path),
                                       engine::Format{engine::Version::Jet4});
}

TEST(TableDefinitionCodecTest, EveryFieldSurvivesTheRoundTrip) {
  const TableDefinition table = sample();
  for (const std::vector<std::size_t>& order :
       {std::vector<std::size_t>{0, 1, 2, 3, 4}, std::vector<std::size_t>{4, 2, 0, 3, 1}}) {
    const engine::Bytes buffer = engine::encodeTableDefinition(table, order);
    EXPECT_EQ(engine::readU32(buffer, td::kJet4.definitionLength), buffer.size());
    const TableDefinition back = decoded(buffer);
    ASSERT_EQ(back.columns.size(), table.columns.size());
    for (std::size_t i = 0; i < table.columns.size(); ++i)
      EXPECT_EQ(back.columns[i], table.columns[i]) << "column " << i;
    EXPECT_EQ(back.realIndexes, table.realIndexes);
    EXPECT_EQ(back.indexes, table.indexes);
    EXPECT_EQ(back.longValueMaps, table.longValueMaps);
    EXPECT_EQ(back, table);
  }
}

}  // namespace
