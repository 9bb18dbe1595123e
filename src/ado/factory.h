#pragma once

// Creating ADO objects by ProgID.

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "ado/connection.h"
#include "ado/error.h"
#include "ado/recordset.h"

namespace engine {
class FileSystem;
}

namespace ado {

// "ADODB.Connection" and "ADODB.RecordSet", compared without regard to case.
// Any other ProgID fails with number 429.
std::unique_ptr<Connection> CreateConnection(std::string_view progId = "ADODB.Connection");
std::unique_ptr<Recordset> CreateRecordset(std::string_view progId = "ADODB.RecordSet");

// While alive, every creation fails with the given error: how tests stand in
// for a machine where the component is missing.
class ScopedCreationFailure {
 public:
  explicit ScopedCreationFailure(Error error);
  ~ScopedCreationFailure();
  ScopedCreationFailure(const ScopedCreationFailure&) = delete;
  ScopedCreationFailure& operator=(const ScopedCreationFailure&) = delete;
};

// While alive, Execute fails with `error` for every statement `when`
// accepts: how tests stand in for a statement the database rejects.
class ScopedExecuteFailure {
 public:
  explicit ScopedExecuteFailure(std::function<bool(const Text& statement)> when,
                                Error error = Error::refusedWrite("The statement was refused."));
  ~ScopedExecuteFailure();
  ScopedExecuteFailure(const ScopedExecuteFailure&) = delete;
  ScopedExecuteFailure& operator=(const ScopedExecuteFailure&) = delete;
};

// For Connection::Execute: throws when a ScopedExecuteFailure says so.
void CheckExecuteFailure(const Text& statement);

// While alive, connections find their databases in `folder` instead of on
// the disk, and commit every `batchBlocks` changed blocks (0: as usual): how
// tests make the disk fail or the computer die under a run.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(engine::FileSystem& folder, std::size_t batchBlocks = 0);
  ~ScopedFileSystem();
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  engine::FileSystem* previousFolder_;  // scopes nest
  std::size_t previousBatchBlocks_;
};

// For Connection::Open: the folder and batch size a ScopedFileSystem set
// (null and 0 without one).
engine::FileSystem* ConnectionFileSystem();
std::size_t ConnectionBatchBlocks();

}  // namespace ado
