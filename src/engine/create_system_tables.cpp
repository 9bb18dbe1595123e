#include "engine/create_system_tables.h"

#include "engine/create_format.h"

namespace engine::create {

namespace {

constexpr std::uint8_t kSystemFixed = kColumnSystem | kColumnUpdatable | kColumnFixed;  // 0x13
constexpr std::uint8_t kSystemVariable = kColumnSystem | kColumnUpdatable;              // 0x12
// Access adds 0x20 on the security-id columns; its meaning is unknown.
constexpr std::uint8_t kSystemSecurityId = 0x20 | kSystemVariable;
constexpr std::uint16_t kTextBytes = 2 * kMaxTextCharacters;

}  // namespace

TableLayout catalogLayout() {
  return layoutSystemTable(u"MSysObjects",
                           {
                               {u"Id", kTypeLong, 4, kSystemFixed},
                               {u"ParentId", kTypeLong, 4, kSystemFixed},
                               {u"Name", kTypeText, kTextBytes, kSystemVariable},
                               {u"Type", kTypeInteger, 2, kSystemFixed},
                               {u"DateCreate", kTypeDateTime, 8, kSystemFixed},
                               {u"DateUpdate", kTypeDateTime, 8, kSystemFixed},
                               {u"Owner", kTypeBinary, kTextBytes, kSystemSecurityId},
                               {u"Flags", kTypeLong, 4, kSystemFixed},
                               {u"Database", kTypeMemo, 0, kSystemVariable},
                               {u"Connect", kTypeMemo, 0, kSystemVariable},
                               {u"ForeignName", kTypeText, kTextBytes, kSystemVariable},
                               {u"RmtInfoShort", kTypeBinary, kTextBytes, kSystemVariable},
                               {u"RmtInfoLong", kTypeOle, 0, kSystemVariable},
                               {u"Lv", kTypeOle, 0, kSystemVariable},
                               {u"LvProp", kTypeOle, 0, kSystemVariable},
                               {u"LvModule", kTypeOle, 0, kSystemVariable},
                               {u"LvExtra", kTypeOle, 0, kSystemVariable},
                           });
}

TableLayout accessControlLayout() {
  return layoutSystemTable(u"MSysACEs", {
                                            {u"ObjectId", kTypeLong, 4, kSystemFixed},
                                            {u"SID", kTypeBinary, kTextBytes, kSystemSecurityId},
                                            {u"ACM", kTypeLong, 4, kSystemFixed},
                                            {u"FInheritable", kTypeBoolean, 1, kSystemFixed},
                                        });
}

TableLayout queriesLayout() {
  return layoutSystemTable(u"MSysQueries", {
                                               {u"ObjectId", kTypeLong, 4, kSystemFixed},
                                               {u"Attribute", kTypeByte, 1, kSystemFixed},
                                               {u"Order", kTypeBinary, kTextBytes, kSystemVariable},
                                               {u"Name1", kTypeText, kTextBytes, kSystemVariable},
                                               {u"Name2", kTypeText, kTextBytes, kSystemVariable},
                                               {u"Expression", kTypeMemo, 0, kSystemVariable},
                                               {u"Flag", kTypeInteger, 2, kSystemFixed},
                                               {u"LvExtra", kTypeLong, 4, kSystemFixed},
                                           });
}

TableLayout relationshipsLayout() {
  return layoutSystemTable(u"MSysRelationships",
                           {
                               {u"szRelationship", kTypeText, kTextBytes, kSystemVariable},
                               {u"grbit", kTypeLong, 4, kSystemFixed},
                               {u"ccolumn", kTypeLong, 4, kSystemFixed},
                               {u"icolumn", kTypeLong, 4, kSystemFixed},
                               {u"szObject", kTypeText, kTextBytes, kSystemVariable},
                               {u"szColumn", kTypeText, kTextBytes, kSystemVariable},
                               {u"szReferencedObject", kTypeText, kTextBytes, kSystemVariable},
                               {u"szReferencedColumn", kTypeText, kTextBytes, kSystemVariable},
                           });
}

TableLayout complexColumnsLayout() {
  auto layout = layoutSystemTable(
      u"MSysComplexColumns", {
                                 {u"ColumnName", kTypeText, kTextBytes, kSystemVariable},
                                 {u"ComplexTypeObjectID", kTypeLong, 4, kSystemFixed},
                                 {u"FlatTableID", kTypeLong, 4, kSystemFixed},
                                 {u"ConceptualTableID", kTypeLong, 4, kSystemFixed},
                                 {u"ComplexID", kTypeLong, 4, kSystemFixed | 0x04},  // auto-number
                             });
  layout.system = false;  // Access gives this one the user table type
  return layout;
}

namespace {

constexpr std::uint8_t kFlagsUnique = kIndexJet4Marker | kIndexUnique;                  // 0x81
constexpr std::uint8_t kFlagsIgnoreNulls = kIndexJet4Marker | kIndexIgnoreNulls;        // 0x82
constexpr std::uint8_t kFlagsRequired = kIndexJet4Marker | kIndexRequired;              // 0x88
constexpr std::uint8_t kFlagsRequiredIgnoreNulls = kFlagsRequired | kIndexIgnoreNulls;  // 0x8A
constexpr std::uint8_t kFlagsPrimary = kFlagsRequiredIgnoreNulls | kIndexUnique;        // 0x8B

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

std::vector<ado::Value> catalogRow(const CatalogEntry& entry, double created) {
  std::vector<ado::Value> row(17, ado::Value::null());
  row[0] = entry.id;
  row[1] = entry.parentId;
  row[2] = ado::Text(entry.name);
  row[3] = entry.type;
  row[4] = ado::DateTime{created};
  row[5] = ado::DateTime{created};
  row[7] = entry.flags;
  return row;
}

std::vector<CatalogEntry> leadingCatalogEntries() {
  return {
      {kIdTables, kIdRootContainer, u"Tables", kObjectContainer, kFlagEngineSystem},
      {kIdDatabases, kIdRootContainer, u"Databases", kObjectContainer, kFlagEngineSystem},
      {kIdRelationships, kIdRootContainer, u"Relationships", kObjectContainer, kFlagEngineSystem},
      {kIdDatabaseObject, kIdDatabases, u"MSysDb", kObjectDatabase, kFlagEngineSystem},
  };
}

std::vector<CatalogEntry> trailingCatalogEntries() {
  std::vector<CatalogEntry> entries;
  std::int32_t id = static_cast<std::int32_t>(0x80000000u);
  for (auto name : {u"DataAccessPages", u"Forms", u"Modules", u"Reports", u"Scripts", u"SysRel"})
    entries.push_back({id++, kIdRootContainer, name, kObjectContainer, 0});
  return entries;
}

}  // namespace engine::create
