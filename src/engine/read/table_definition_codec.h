#pragma once

// The definition buffer of a table (docs/file-format.md, Table definition) in both directions: the
// reader decodes it, the creator encodes it. The buffer is the chain's pages joined: the first page
// whole, then bytes 8.. of each further page.

#include <cstddef>
#include <span>

#include "engine/format/bounded_bytes.h"
#include "engine/format/byte_order.h"
#include "engine/format/format.h"
#include "engine/read/table_definition.h"

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

}  // namespace engine
