#pragma once

// The tables listing an OLE DB provider gives for adSchemaTables: which
// catalogue objects are listed, with which TABLE_TYPE, in which order.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/catalogue.h"

namespace engine {
class Database;
}

namespace ado {

// One row of the OLE DB TABLES listing.
struct TableListing {
  std::u16string name;
  std::string type;  // TABLE, SYSTEM TABLE, ACCESS TABLE, LINK, PASS-THROUGH, VIEW
};

// The TABLE_TYPE an entry is listed with, or "" when it is not listed.
// `queriesWithParameters` holds the ids of queries that take parameters.
std::string tableTypeOf(const engine::CatalogueEntry& entry,
                        const std::vector<std::int32_t>& queriesWithParameters);

// The listing ordered by TABLE_TYPE, then name (engine::compareNames).
std::vector<TableListing> makeTablesListing(const std::vector<engine::CatalogueEntry>& entries,
                                            const std::vector<std::int32_t>& queriesWithParameters);

// The listing of an open database.
std::vector<TableListing> TablesListing(engine::Database& database);

}  // namespace ado
