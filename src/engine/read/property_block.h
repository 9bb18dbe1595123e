#pragma once

// Property blocks (docs/file-format.md, Property blocks): the properties Access keeps for a table
// and each of its columns, such as a calculated column's Expression and ResultType, a memo's
// TextFormat (rich text) or AppendOnly.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/base/value.h"
#include "engine/format/bounded_bytes.h"
#include "engine/format/format.h"

namespace engine {

struct Property {
  std::u16string name;
  std::uint8_t type = 0;  // Jet type code of the value
  bool ddl = false;
  Value value;
  bool operator==(const Property&) const = default;
};

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
