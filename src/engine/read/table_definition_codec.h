#pragma once

#include "engine/base/internal.h"

// The definition buffer of a table (docs/file-format.md, Table definition) in both directions: the
// reader decodes it, the creator encodes it. The buffer is the chain's pages joined: the first page
// whole, then bytes 8.. of each further page.

#include <cstddef>
#include <span>

#include "engine/format.h"
#include "engine/format/bounded_bytes.h"
#include "engine/format/byte_order.h"
#include "engine/pager/pager.h"
#include "engine/read/property_block.h"
#include "engine/table_definition.h"

namespace engine {

// The definition held in `buffer`, its columns in column-number order; the
// name, first page and chain are the caller's to set. Throws Error::damaged
// on malformed definitions.
TableDefinition decodeTableDefinition(const BoundedBytes& buffer, const Format& format);

// The Jet 4+ buffer of `table`, page header included, with the column
// descriptors and names in `descriptorOrder` (positions in table.columns).
// The bytes the model does not hold get the values Access writes for a table
// without relationships.
Bytes encodeTableDefinition(const TableDefinition& table,
                            std::span<const std::size_t> descriptorOrder);

// Attaches the properties of a parsed property block (MSysObjects.LvProp)
// to the table and its columns; sets calculated columns' result types.
void attachProperties(TableDefinition& table, std::vector<PropertySet> sets);

// Reads the definition whose first page is `page`. Throws
// Error::damaged on malformed definitions and loops in the page chain.
TableDefinition readTableDefinition(Pager& pager, const Format& format, std::uint32_t page,
                                    std::u16string name);

}  // namespace engine
