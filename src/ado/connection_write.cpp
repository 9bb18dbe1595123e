#include "ado/connection.h"
#include "ado/error.h"
#include "ado/recordset.h"
#include "ado/write_observer.h"
#include "engine/database.h"

namespace ado {

void Connection::writeText(const engine::TableDefinition& table, engine::RowId row, int column,
                           const Value& before, const Text& value) {
  const TextChange change{table.name, table.columns[static_cast<std::size_t>(column)].name, row,
                          before, value};
  // Recordsets opened here keep the old value of a row they have yet to
  // reach: they are static.
  for (Recordset* recordset : recordsets_) recordset->rowChanging(table.page, row, column, before);
  if (observer_) observer_->writing(change);
  try {
    database_->updateText(table, row, column, value);
  } catch (const engine::Error& e) {
    // A failed commit undid the whole batch; this record's failure is the
    // caller's to report, the others' are kept.
    noteLostWrites(*database_, e, true);
    if (observer_) observer_->refused(change, Error::fromEngine(e));
    throw;
  }
  if (observer_) observer_->written(change);
}

}  // namespace ado
