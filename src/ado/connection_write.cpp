#include "ado/connection.h"
#include "ado/error.h"
#include "engine/database.h"

namespace ado {

void Connection::writeText(const engine::TableDefinition&, engine::RowId, int, const Text&) {
  throw Error::unsupported(database_->path(), "changing values (the engine reads only)");
}

}  // namespace ado
