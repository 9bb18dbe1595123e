#pragma once

// An ADO-like connection to one Access database file, over the file engine.
// Members keep ADO's names and behaviour: Mode before Open, Open with a
// connection string, OpenSchema(adSchemaTables), Execute of one statement,
// Close. Every failure is an ado::Error.

#include <memory>
#include <string>
#include <vector>

#include "ado/value.h"

namespace engine {
class Database;
struct RowId;
struct TableDefinition;
}  // namespace engine

namespace ado {

namespace sql {
struct Update;
}
class Recordset;
class UpdateLookup;

class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // adModeReadWrite (3) opens the file for writing; any other mode read-only.
  void SetMode(int mode);
  int Mode() const { return mode_; }

  // Opens the database the connection string names: "Provider=...;Data
  // Source=...;JET OLEDB:Database Password=...", keys in any case.
  void Open(const Text& connectionString);
  bool IsOpen() const { return database_ != nullptr; }

  // adSchemaTables (20): TABLE_NAME and TABLE_TYPE of every catalogue object.
  std::unique_ptr<Recordset> OpenSchema(int schema);

  // Runs one UPDATE statement; returns the number of records it changed.
  long Execute(const Text& statement);

  void Close();

  // For recordsets opened on this connection.
  engine::Database& database();
  void attach(Recordset* recordset);
  void detach(Recordset* recordset);

 private:
  void requireOpen() const;
  long executeUpdate(const sql::Update& update);
  // Detaches the recordsets and commits the last batch; the database is
  // closed even when that fails.
  void closeDatabase();
  // Writes one text or memo value of one row.
  void writeText(const engine::TableDefinition& table, engine::RowId row, int column,
                 const Text& value);

  int mode_ = 0;
  std::unique_ptr<engine::Database> database_;
  std::unique_ptr<UpdateLookup> lookup_;
  std::vector<Recordset*> recordsets_;
};

}  // namespace ado
