// Stand-ins until the connection is wired to the file engine.
#include "ado/connection.h"

#include <algorithm>

#include "ado/update_lookup.h"
#include "ado/connection_string.h"
#include "ado/error.h"
#include "ado/recordset.h"

namespace engine {
class Database {};
}  // namespace engine

namespace ado {


Connection::Connection() = default;

Connection::~Connection() {
  if (IsOpen()) Close();
}

void Connection::SetMode(int mode) { mode_ = mode; }

void Connection::requireOpen() const {
  if (!database_) throw Error(3704, "Operation is not allowed when the object is closed.");
}

engine::Database& Connection::database() {
  requireOpen();
  return *database_;
}

void Connection::attach(Recordset* recordset) { recordsets_.push_back(recordset); }

void Connection::detach(Recordset* recordset) {
  recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), recordset),
                    recordsets_.end());
}

void Connection::Close() {
  requireOpen();
  // Recordsets opened here keep what they read: they are static.
  for (Recordset* recordset : std::vector<Recordset*>(recordsets_)) recordset->disconnect();
  recordsets_.clear();
  lookup_.reset();
  database_.reset();
}


void Connection::Open(const Text& connectionString) {
  ParseConnectionString(connectionString);
  throw Error::unsupported("", "reading databases");
}

std::unique_ptr<Recordset> Connection::OpenSchema(int) {
  requireOpen();
  return nullptr;
}

long Connection::Execute(const Text&) {
  requireOpen();
  return 0;
}

void Recordset::Open(const Text&, Connection& connection, int, int) { connection.database(); }

void Recordset::takeSnapshot() {}

}  // namespace ado
