#include "ado/connection.h"
#include "ado/error.h"
#include "engine/database.h"

namespace ado {

void Connection::writeText(const engine::TableDefinition& table, engine::RowId row, int column,
                           const Text& value) {
  database_->updateText(table, row, column, value);
}

}  // namespace ado
