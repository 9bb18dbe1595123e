#include "engine/catalogue.h"

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

}  // namespace engine
