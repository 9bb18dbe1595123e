#include "engine/read/catalogue.h"

#include <algorithm>

#include "engine/text/simple_case.h"

namespace engine {

namespace of = object_flags;

bool CatalogueEntry::isSystem() const {
  return (static_cast<std::uint32_t>(flags) & of::kSystemMask) != 0;
}
bool CatalogueEntry::isHidden() const {
  return (static_cast<std::uint32_t>(flags) & of::kHidden) != 0;
}
bool CatalogueEntry::isLinked() const {
  return type == object_type::kLinkedOdbc || type == object_type::kLinkedTable;
}
bool CatalogueEntry::isQuery() const { return type == object_type::kQuery; }
int CatalogueEntry::queryKind() const {
  return static_cast<int>(static_cast<std::uint32_t>(flags) & of::kQueryKindMask);
}

std::string tableTypeOf(const CatalogueEntry& entry,
                        const std::vector<std::int32_t>& queriesWithParameters) {
  const auto flags = static_cast<std::uint32_t>(entry.flags);
  switch (entry.type) {
    case object_type::kLocalTable:
      if (flags & of::kEngineSystem) return "SYSTEM TABLE";
      if (flags & of::kAccessSystem) return "ACCESS TABLE";
      return "TABLE";
    case object_type::kLinkedTable:
      return "LINK";
    case object_type::kLinkedOdbc:
      return "PASS-THROUGH";
    case object_type::kQuery: {
      // Row-returning queries (select, crosstab, union) without parameters;
      // internal ones (system flags, e.g. the ~sq_ form queries) are left out.
      int kind = entry.queryKind();
      if (kind != 0x00 && kind != 0x10 && kind != 0x80) return "";
      if (flags & of::kSystemMask) return "";
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
    const std::vector<CatalogueEntry>& entries,
    const std::vector<std::int32_t>& queriesWithParameters) {
  std::vector<TableListing> listing;
  for (const auto& entry : entries) {
    std::string type = tableTypeOf(entry, queriesWithParameters);
    if (!type.empty()) listing.push_back({entry.name, std::move(type)});
  }
  std::sort(listing.begin(), listing.end(), [](const TableListing& a, const TableListing& b) {
    if (a.type != b.type) return a.type < b.type;
    return compareNames(a.name, b.name) < 0;
  });
  return listing;
}

}  // namespace engine
