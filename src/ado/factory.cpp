#include "ado/factory.h"

#include <optional>
#include <utility>

namespace ado {
namespace {

std::optional<Error> creationFailure;

struct ExecuteFailure {
  std::function<bool(const Text&)> when;
  Error error;
};
std::optional<ExecuteFailure> executeFailure;

bool sameProgId(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

void checkCreation(std::string_view progId, std::string_view expected) {
  if (creationFailure) throw *creationFailure;
  if (!sameProgId(progId, expected)) throw Error::cannotCreateObject();
}

}  // namespace

std::unique_ptr<Connection> CreateConnection(std::string_view progId) {
  checkCreation(progId, "ADODB.Connection");
  return std::make_unique<Connection>();
}

std::unique_ptr<Recordset> CreateRecordset(std::string_view progId) {
  checkCreation(progId, "ADODB.RecordSet");
  return std::make_unique<Recordset>();
}

ScopedCreationFailure::ScopedCreationFailure(Error error) { creationFailure = std::move(error); }
ScopedCreationFailure::~ScopedCreationFailure() { creationFailure.reset(); }

ScopedExecuteFailure::ScopedExecuteFailure(std::function<bool(const Text&)> when, Error error) {
  executeFailure.emplace(ExecuteFailure{std::move(when), std::move(error)});
}
ScopedExecuteFailure::~ScopedExecuteFailure() { executeFailure.reset(); }

void CheckExecuteFailure(const Text& statement) {
  if (executeFailure && executeFailure->when(statement)) throw executeFailure->error;
}

namespace {
engine::FileSystem* connectionFolder = nullptr;
std::size_t connectionBatchBlocks = 0;
}  // namespace

ScopedFileSystem::ScopedFileSystem(engine::FileSystem& folder, std::size_t batchBlocks)
    : previousFolder_(std::exchange(connectionFolder, &folder)),
      previousBatchBlocks_(std::exchange(connectionBatchBlocks, batchBlocks)) {}
ScopedFileSystem::~ScopedFileSystem() {
  connectionFolder = previousFolder_;
  connectionBatchBlocks = previousBatchBlocks_;
}
engine::FileSystem* ConnectionFileSystem() { return connectionFolder; }
std::size_t ConnectionBatchBlocks() { return connectionBatchBlocks; }

}  // namespace ado
