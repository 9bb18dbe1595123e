#include "engine/create/system_tables.h"

#include "engine/format/layout_index.h"
#include "engine/format/layout_tdef.h"
#include "engine/format/layout_text.h"
#include "engine/jet_type.h"

namespace engine::create {

namespace ix = layout::index;
namespace td = layout::tdef;

namespace {

constexpr std::uint8_t kSystemFixed =
    td::kColumnReplication | td::kColumnUpdatable | td::kColumnFixed;                    // 0x13
constexpr std::uint8_t kSystemVariable = td::kColumnReplication | td::kColumnUpdatable;  // 0x12
// Access adds 0x20 on the security-id columns; its meaning is unknown.
constexpr std::uint8_t kSystemSecurityId = 0x20 | kSystemVariable;
constexpr std::uint16_t kTextBytes = 2 * layout::text::kMaxTextCharacters;

}  // namespace

TableDefinition catalogLayout() {
  return layoutSystemTable(u"MSysObjects",
                           {
                               {u"Id", JetType::Long, 4, kSystemFixed},
                               {u"ParentId", JetType::Long, 4, kSystemFixed},
                               {u"Name", JetType::Text, kTextBytes, kSystemVariable},
                               {u"Type", JetType::Integer, 2, kSystemFixed},
                               {u"DateCreate", JetType::DateTime, 8, kSystemFixed},
                               {u"DateUpdate", JetType::DateTime, 8, kSystemFixed},
                               {u"Owner", JetType::Binary, kTextBytes, kSystemSecurityId},
                               {u"Flags", JetType::Long, 4, kSystemFixed},
                               {u"Database", JetType::Memo, 0, kSystemVariable},
                               {u"Connect", JetType::Memo, 0, kSystemVariable},
                               {u"ForeignName", JetType::Text, kTextBytes, kSystemVariable},
                               {u"RmtInfoShort", JetType::Binary, kTextBytes, kSystemVariable},
                               {u"RmtInfoLong", JetType::Ole, 0, kSystemVariable},
                               {u"Lv", JetType::Ole, 0, kSystemVariable},
                               {u"LvProp", JetType::Ole, 0, kSystemVariable},
                               {u"LvModule", JetType::Ole, 0, kSystemVariable},
                               {u"LvExtra", JetType::Ole, 0, kSystemVariable},
                           });
}

TableDefinition accessControlLayout() {
  return layoutSystemTable(u"MSysACEs",
                           {
                               {u"ObjectId", JetType::Long, 4, kSystemFixed},
                               {u"SID", JetType::Binary, kTextBytes, kSystemSecurityId},
                               {u"ACM", JetType::Long, 4, kSystemFixed},
                               {u"FInheritable", JetType::Boolean, 1, kSystemFixed},
                           });
}

TableDefinition queriesLayout() {
  return layoutSystemTable(u"MSysQueries",
                           {
                               {u"ObjectId", JetType::Long, 4, kSystemFixed},
                               {u"Attribute", JetType::Byte, 1, kSystemFixed},
                               {u"Order", JetType::Binary, kTextBytes, kSystemVariable},
                               {u"Name1", JetType::Text, kTextBytes, kSystemVariable},
                               {u"Name2", JetType::Text, kTextBytes, kSystemVariable},
                               {u"Expression", JetType::Memo, 0, kSystemVariable},
                               {u"Flag", JetType::Integer, 2, kSystemFixed},
                               {u"LvExtra", JetType::Long, 4, kSystemFixed},
                           });
}

TableDefinition relationshipsLayout() {
  return layoutSystemTable(u"MSysRelationships",
                           {
                               {u"szRelationship", JetType::Text, kTextBytes, kSystemVariable},
                               {u"grbit", JetType::Long, 4, kSystemFixed},
                               {u"ccolumn", JetType::Long, 4, kSystemFixed},
                               {u"icolumn", JetType::Long, 4, kSystemFixed},
                               {u"szObject", JetType::Text, kTextBytes, kSystemVariable},
                               {u"szColumn", JetType::Text, kTextBytes, kSystemVariable},
                               {u"szReferencedObject", JetType::Text, kTextBytes, kSystemVariable},
                               {u"szReferencedColumn", JetType::Text, kTextBytes, kSystemVariable},
                           });
}

TableDefinition complexColumnsLayout() {
  auto layout =
      layoutSystemTable(u"MSysComplexColumns",
                        {
                            {u"ColumnName", JetType::Text, kTextBytes, kSystemVariable},
                            {u"ComplexTypeObjectID", JetType::Long, 4, kSystemFixed},
                            {u"FlatTableID", JetType::Long, 4, kSystemFixed},
                            {u"ConceptualTableID", JetType::Long, 4, kSystemFixed},
                            {u"ComplexID", JetType::Long, 4, kSystemFixed | 0x04},  // auto-number
                        });
  layout.tableType = td::kTableTypeUser;  // Access gives this one the user table type
  return layout;
}

namespace {

constexpr std::uint8_t kFlagsUnique = ix::kIndexJet4Marker | ix::kIndexUnique;              // 0x81
constexpr std::uint8_t kFlagsIgnoreNulls = ix::kIndexJet4Marker | ix::kIndexIgnoreNulls;    // 0x82
constexpr std::uint8_t kFlagsRequired = ix::kIndexJet4Marker | ix::kIndexRequired;          // 0x88
constexpr std::uint8_t kFlagsRequiredIgnoreNulls = kFlagsRequired | ix::kIndexIgnoreNulls;  // 0x8A
constexpr std::uint8_t kFlagsPrimary = kFlagsRequiredIgnoreNulls | ix::kIndexUnique;        // 0x8B

}  // namespace

// Column positions below are column numbers of the layouts above.
std::vector<IndexSpec> catalogIndexes() {
  return {{u"ParentIdName", {1, 2}, false, true, kFlagsUnique},
          {u"Id", {0}, true, true, kFlagsUnique}};
}

std::vector<IndexSpec> accessControlIndexes() {
  return {{u"ObjectId", {0}, false, false, kFlagsRequired}};
}

std::vector<IndexSpec> queriesIndexes() {
  return {{u"ObjectIdAttribute", {0, 1, 2}, false, false, kFlagsUnique}};
}

std::vector<IndexSpec> relationshipsIndexes() {
  return {{u"szRelationship", {0}, false, false, kFlagsIgnoreNulls},
          {u"szObject", {4}, false, false, kFlagsIgnoreNulls},
          {u"szReferencedObject", {6}, false, false, kFlagsIgnoreNulls}};
}

std::vector<IndexSpec> complexColumnsIndexes() {
  return {{u"IdxID", {4}, true, true, kFlagsPrimary},
          {u"IdxConceptualTableID", {3}, false, false, kFlagsRequiredIgnoreNulls},
          {u"IdxFlatTableID", {2}, false, false, kFlagsRequiredIgnoreNulls}};
}

std::vector<Value> catalogRow(const CatalogEntry& entry, double created) {
  std::vector<Value> row(17, Value::null());
  row[0] = entry.id;
  row[1] = entry.parentId;
  row[2] = engine::Text(entry.name);
  row[3] = entry.type;
  row[4] = engine::DateTime{created};
  row[5] = engine::DateTime{created};
  row[7] = entry.flags;
  return row;
}

std::vector<CatalogEntry> leadingCatalogEntries() {
  return {
      {kIdTables, kRootContainerId, u"Tables", object_type::kContainer, kFlagEngineSystem},
      {kIdDatabases, kRootContainerId, u"Databases", object_type::kContainer, kFlagEngineSystem},
      {kIdRelationships, kRootContainerId, u"Relationships", object_type::kContainer,
       kFlagEngineSystem},
      {kIdDatabaseObject, kIdDatabases, u"MSysDb", object_type::kDatabase, kFlagEngineSystem},
  };
}

std::vector<CatalogEntry> trailingCatalogEntries() {
  std::vector<CatalogEntry> entries;
  std::int32_t id = static_cast<std::int32_t>(0x80000000u);
  for (auto name : {u"DataAccessPages", u"Forms", u"Modules", u"Reports", u"Scripts", u"SysRel"})
    entries.push_back({id++, kRootContainerId, name, object_type::kContainer, 0});
  return entries;
}

}  // namespace engine::create
