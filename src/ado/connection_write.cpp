#include "ado/connection.h"
#include "ado/error.h"
#include "engine/database.h"

namespace ado {

void Connection::writeText(const engine::TableDefinition& table, engine::RowId row, int column,
                           const Text& value) {
  try {
    database_->updateText(table, row, column, value);
  } catch (const engine::Error& e) {
    // A failed commit undid the whole batch; this record's failure is the
    // caller's to report, the others' are kept.
    noteLostWrites(*database_, e, true);
    throw;
  }
}

}  // namespace ado
