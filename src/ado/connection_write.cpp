#include "ado/connection.h"
#include "ado/error.h"
#include "ado/write_observer.h"
#include "engine/database.h"

namespace ado {

void Connection::writeText(const engine::TableDefinition& table, engine::RowId row, int column,
                           const Value& before, const Text& value) {
  if (!observer_) {
    database_->updateText(table, row, column, value);
    return;
  }
  const TextChange change{table.name, table.columns[static_cast<std::size_t>(column)].name, row,
                          before, value};
  observer_->writing(change);
  try {
    database_->updateText(table, row, column, value);
  } catch (const engine::Error& e) {
    observer_->refused(change, Error::fromEngine(e));
    throw;
  }
  observer_->written(change);
}

}  // namespace ado
