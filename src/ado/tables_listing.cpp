#include "ado/tables_listing.h"

#include <algorithm>

#include "engine/database.h"
#include "engine/simple_case.h"

namespace ado {

std::string tableTypeOf(const engine::CatalogueEntry& entry,
                        const std::vector<std::int32_t>& queriesWithParameters) {
  const auto flags = static_cast<std::uint32_t>(entry.flags);
  switch (entry.type) {
    case engine::object_type::kLocalTable:
      if (flags & engine::object_flags::kEngineSystem) return "SYSTEM TABLE";
      if (flags & engine::object_flags::kAccessSystem) return "ACCESS TABLE";
      return "TABLE";
    case engine::object_type::kLinkedTable:
      return "LINK";
    case engine::object_type::kLinkedOdbc:
      return "PASS-THROUGH";
    case engine::object_type::kQuery: {
      // Row-returning queries (select, crosstab, union) without parameters;
      // internal ones (system flags, e.g. the ~sq_ form queries) are left out.
      int kind = entry.queryKind();
      if (kind != 0x00 && kind != 0x10 && kind != 0x80) return "";
      if (flags & engine::object_flags::kSystemMask) return "";
      if (std::find(queriesWithParameters.begin(), queriesWithParameters.end(), entry.id) !=
          queriesWithParameters.end())
        return "";
      return "VIEW";
    }
    default:
      return "";
  }
}

std::vector<TableListing> makeTablesListing(
    const std::vector<engine::CatalogueEntry>& entries,
    const std::vector<std::int32_t>& queriesWithParameters) {
  std::vector<TableListing> listing;
  for (const engine::CatalogueEntry& entry : entries) {
    std::string type = tableTypeOf(entry, queriesWithParameters);
    if (!type.empty()) listing.push_back({entry.name, std::move(type)});
  }
  std::sort(listing.begin(), listing.end(), [](const TableListing& a, const TableListing& b) {
    if (a.type != b.type) return a.type < b.type;
    return engine::compareNames(a.name, b.name) < 0;
  });
  return listing;
}

std::vector<TableListing> TablesListing(engine::Database& database) {
  return makeTablesListing(database.catalogue(), database.queriesWithParameters());
}

}  // namespace ado
