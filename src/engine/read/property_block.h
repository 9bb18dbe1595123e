#pragma once

#include "engine/base/internal.h"

// Property blocks (docs/file-format.md, Property blocks): the properties Access keeps for a table
// and each of its columns, such as a calculated column's Expression and ResultType, a memo's
// TextFormat (rich text) or AppendOnly.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/format/bounded_bytes.h"
#include "engine/table_definition.h"
#include "engine/value.h"

namespace engine {

// The properties of one object: the table itself (empty target for the
// object's own block) or one column.
struct PropertySet {
  std::u16string target;
  bool isColumn = false;
  std::vector<Property> properties;

  // The property named `name` (case-insensitive), or null.
  const Property* find(std::u16string_view name) const;
};

// Parses a whole block. Unknown chunk kinds are skipped; inconsistent
// lengths throw Error::damaged.
std::vector<PropertySet> parsePropertyBlock(const BoundedBytes& block, const Format& format);

}  // namespace engine
