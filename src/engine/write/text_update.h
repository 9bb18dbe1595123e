#pragma once

#include "engine/base/internal.h"

// Working out the page changes that set one text or memo value of one row
// (docs/file-format.md, Changing a value): preconditions and refusals first, then the value encoded
// afresh (Text), written in place when its size allows, the row re-packed on
// its page or moved behind an overflow pointer when it grows (Growing rows), long
// values rewritten in place or onto new LVAL rows (Long values). Nothing is
// written here: the changes collect in a PageChanges.

#include <string>

#include "engine/format.h"
#include "engine/pager/pager.h"
#include "engine/row.h"
#include "engine/table_definition.h"
#include "engine/write/page_changes.h"

namespace engine {

// Throws Error::refusedWrite (a sentence naming the value, the column
// and the reason) when the change cannot be made safely, and
// Error::damaged when the structures involved are inconsistent. Nothing
// is recorded in `changes` that the caller must undo: on an exception it
// simply drops them.
void planTextUpdate(PageChanges& changes, Pager& pager, const TableDefinition& table, RowId row,
                    int column, const std::u16string& value);

}  // namespace engine
