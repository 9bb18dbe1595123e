#pragma once

// An ADO-like connection to one Access database file, over the file engine.
// Members keep ADO's names and behaviour: Mode before Open, Open with a
// connection string, OpenSchema(adSchemaTables), Execute of one statement,
// Close. Every failure is an ado::Error.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ado/error.h"
#include "ado/value.h"

namespace engine {
class Database;
class FileSystem;
class Error;
struct RowId;
struct TableDefinition;
}  // namespace engine

namespace ado {

namespace sql {
struct Update;
}
class Recordset;
class UpdateLookup;
class WriteObserver;

class Connection {
 public:
  Connection();
  // Tests stand in for a database that refuses statements (Execute).
  virtual ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // adModeReadWrite (3) opens the file for writing; any other mode read-only.
  void SetMode(int mode);
  int Mode() const { return mode_; }
  // Told of every record this connection writes, and before the writes
  // reach the file; null for nobody. Must outlive the connection.
  void SetWriteObserver(WriteObserver* observer) { observer_ = observer; }
  // The folder the database is found in (a dry run's scratch copy); null for
  // the disk. Must outlive the connection.
  void SetFolder(engine::FileSystem* folder) { folder_ = folder; }
  // A batch of changes is committed every `blocks` changed blocks (0: as
  // usual): how tests see many batches.
  void SetBatchBlocks(std::size_t blocks) { batchBlocks_ = blocks; }

  // Opens the database the connection string names: "Provider=...;Data
  // Source=...;JET OLEDB:Database Password=...", keys in any case.
  void Open(const Text& connectionString);
  [[nodiscard]] bool IsOpen() const { return database_ != nullptr; }

  // adSchemaTables (20): TABLE_NAME and TABLE_TYPE of every catalogue object.
  std::unique_ptr<Recordset> OpenSchema(int schema);

  // Runs one UPDATE statement; returns the number of records it matched.
  virtual long Execute(const Text& statement);

  // Sets text field `field` of the record `row` of `table` to `value` when
  // it holds exactly `expected`. Returns what the field held before;
  // nothing when the record is gone.
  [[nodiscard]] std::optional<Value> ReplaceText(const Text& table, const Text& field,
                                                 engine::RowId row, const Text& expected,
                                                 const Text& value);

  void Close();

  // Changes reach the file in batches. When a batch cannot be made durable
  // its changes are undone, also those of statements that already returned:
  // the failing Execute or Close throws for the record in hand, and the
  // other records of the batch are kept here, with the error that undid
  // them, for the caller to report each as failed. Taken once.
  struct LostWrites {
    Error cause;
    long records;
  };
  std::vector<LostWrites> TakeLostWrites();
  // The values this connection changed that the file holds.
  long RecordsSaved() const;

  // For recordsets opened on this connection.
  engine::Database& database();
  void attach(Recordset* recordset);
  void detach(Recordset* recordset);

 private:
  void requireOpen() const;
  // The table and the positions of the set and where columns of a write,
  // after checking that the database may change and both are text fields.
  struct WriteTarget {
    const engine::TableDefinition& table;
    int setColumn;
    int whereColumn;
  };
  WriteTarget writeTarget(const Text& table, const Text& setColumn, const Text& whereColumn);
  void disconnectRecordsets();
  long executeUpdate(const sql::Update& update);
  // Detaches the recordsets and commits the last batch; the database is
  // closed even when that fails.
  void closeDatabase();
  // Writes one text or memo value of one row, which held `before`.
  void writeText(const engine::TableDefinition& table, engine::RowId row, int column,
                 const Value& before, const Text& value);
  // Keeps the updates of a batch that failed to commit; `oneReported`: the
  // last of them is the record in hand, reported by the caller.
  void noteLostWrites(engine::Database& database, const engine::Error& cause, bool oneReported);

  int mode_ = 0;
  WriteObserver* observer_ = nullptr;
  engine::FileSystem* folder_ = nullptr;
  std::size_t batchBlocks_ = 0;
  std::unique_ptr<engine::Database> database_;
  std::unique_ptr<UpdateLookup> lookup_;
  std::vector<Recordset*> recordsets_;
  std::vector<LostWrites> lostWrites_;
  // The tables written through this connection's database, to name the
  // records of a lost batch.
  std::vector<const engine::TableDefinition*> writtenTables_;
  long recordsSaved_ = 0;  // by databases already closed
};

}  // namespace ado
