#pragma once

#include "engine/base/internal.h"

// The system tables a new database carries (docs/file-format.md, Catalogue): MSysObjects (the
// catalogue, whose definition is always page 2), MSysACEs, MSysQueries and MSysRelationships, plus
// MSysComplexColumns in ACE files. Their columns are numbered as Access numbers them.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/catalogue.h"
#include "engine/create/table_layout.h"
#include "engine/create/table_writer.h"
#include "engine/value.h"

namespace engine::create {

TableDefinition catalogLayout();         // MSysObjects
TableDefinition accessControlLayout();   // MSysACEs
TableDefinition queriesLayout();         // MSysQueries
TableDefinition relationshipsLayout();   // MSysRelationships
TableDefinition complexColumnsLayout();  // MSysComplexColumns (ACE)

// The indexes Access gives each system table, in its order.
std::vector<IndexSpec> catalogIndexes();
std::vector<IndexSpec> accessControlIndexes();
std::vector<IndexSpec> queriesIndexes();
std::vector<IndexSpec> relationshipsIndexes();
std::vector<IndexSpec> complexColumnsIndexes();

// The Flags value of the engine's own objects (stored signed).
inline constexpr std::int32_t kFlagEngineSystem =
    static_cast<std::int32_t>(object_flags::kEngineSystem);

// Ids of the containers and the database object.
inline constexpr std::int32_t kIdTables = 0x0F000001;
inline constexpr std::int32_t kIdDatabases = 0x0F000002;
inline constexpr std::int32_t kIdRelationships = 0x0F000003;
inline constexpr std::int32_t kIdDatabaseObject = 0x10000000;

// One catalogue entry; turned into an MSysObjects row by catalogRow().
struct CatalogEntry {
  std::int32_t id = 0;
  std::int32_t parentId = 0;
  std::u16string name;
  std::int16_t type = 0;
  std::int32_t flags = 0;
};

std::vector<Value> catalogRow(const CatalogEntry& entry, double created);

// The entries every new database starts with (containers and MSysDb), in the
// order Access lists them; tables are added by the caller.
std::vector<CatalogEntry> leadingCatalogEntries();
std::vector<CatalogEntry> trailingCatalogEntries();

}  // namespace engine::create
