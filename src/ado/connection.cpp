#include "ado/connection.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>

#include "ado/connection_string.h"
#include "ado/constants.h"
#include "ado/error.h"
#include "ado/field_type.h"
#include "ado/recordset.h"
#include "ado/sql.h"
#include "ado/tables_listing.h"
#include "ado/update_lookup.h"
#include "ado/write_observer.h"
#include "engine/database.h"
#include "engine/jet_type.h"
#include "engine/utf.h"

namespace ado {
namespace {

std::string utf8(const Text& text) { return engine::toUtf8(text); }

bool isTextColumn(const engine::ColumnDefinition& column) {
  return FieldTypeOf(column) == adVarWChar || FieldTypeOf(column) == adLongVarWChar;
}

int requireColumn(const engine::TableDefinition& table, const Text& name) {
  const int index = table.columnIndex(name);
  if (index < 0) throw Error::unknownColumn(utf8(name));
  return index;
}

}  // namespace

Connection::Connection() = default;

Connection::~Connection() {
  if (!IsOpen()) return;
  const std::string path = database_->path();
  try {
    closeDatabase();
  } catch (const engine::Error& e) {
    // A destructor cannot throw; the journal undoes the unsaved batch at the next open.
    engine::reportError(e);
  } catch (...) {
    engine::reportNotSaved(path, std::current_exception());
  }
}

void Connection::SetMode(int mode) { mode_ = mode; }

void Connection::requireOpen() const {
  if (!database_) throw Error::objectClosed();
}

engine::Database& Connection::database() {
  requireOpen();
  return *database_;
}

void Connection::attach(Recordset* recordset) { recordsets_.push_back(recordset); }

void Connection::disconnectRecordsets() {
  // Recordsets opened here read now what is left of their walk: they are static.
  for (Recordset* recordset : std::vector<Recordset*>(recordsets_)) recordset->disconnect();
  recordsets_.clear();
}

void Connection::detach(Recordset* recordset) {
  recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), recordset),
                    recordsets_.end());
}

void Connection::Open(const Text& connectionString) {
  if (database_) throw Error::objectOpen();
  const ConnectionString parts = ParseConnectionString(connectionString);
  const std::string path = utf8(parts.dataSource);
  engine::OpenOptions options{.password = parts.password,
                              .writable = mode_ == adModeReadWrite,
                              .fileSystem = folder_,
                              .beforeCommit = [this] {
                                if (observer_) observer_->committing();
                              }};
  if (batchBlocks_ != 0) options.batchBlocks = batchBlocks_;
  std::unique_ptr<engine::Database> database = fromEngine([&] {
    try {
      return engine::Database::open(path, options);
    } catch (const engine::Error& e) {
      // A file the user may read but not change still opens; the first
      // write then says why it cannot happen.
      if (!options.writable || e.kind() != engine::ErrorKind::ReadOnly) throw;
      options.writable = false;
      return engine::Database::open(path, options);
    }
  });
  if (parts.provider == Provider::Jet4 && database->format().isAce())
    throw Error::unrecognizedFormat(path);
  database_ = std::move(database);
}

std::unique_ptr<Recordset> Connection::OpenSchema(int schema) {
  requireOpen();
  if (schema != adSchemaTables) throw Error::notCapable();
  std::vector<Field> fields = {
      Field(u"TABLE_CATALOG", adVarWChar), Field(u"TABLE_SCHEMA", adVarWChar),
      Field(u"TABLE_NAME", adVarWChar),    Field(u"TABLE_TYPE", adVarWChar),
      Field(u"TABLE_GUID", adGUID),        Field(u"DESCRIPTION", adVarWChar)};
  std::vector<std::vector<Value>> rows;
  for (const TableListing& listing : fromEngine([&] { return TablesListing(*database_); })) {
    rows.push_back({Value::null(), Value::null(), listing.name,
                    Text(listing.type.begin(), listing.type.end()), Value::null(), Value::null()});
  }
  auto recordset = std::make_unique<Recordset>();
  recordset->openOver(std::move(fields), std::move(rows));
  return recordset;
}

Connection::WriteTarget Connection::writeTarget(const Text& tableName, const Text& setName,
                                                const Text& whereName) {
  if (!database_->writable()) throw Error::readOnly();
  const engine::TableDefinition& table = database_->table(tableName);
  if (std::find(writtenTables_.begin(), writtenTables_.end(), &table) == writtenTables_.end())
    writtenTables_.push_back(&table);
  const int setColumn = requireColumn(table, setName);
  const int whereColumn = requireColumn(table, whereName);
  const auto& columns = table.columns;
  if (!isTextColumn(columns[static_cast<std::size_t>(setColumn)]) ||
      !isTextColumn(columns[static_cast<std::size_t>(whereColumn)]))
    throw Error::refusedWrite("Only text and memo fields can be changed; '" + utf8(setName) +
                              "' or '" + utf8(whereName) + "' is not one.");
  return {table, setColumn, whereColumn};
}

long Connection::Execute(const Text& statement) {
  requireOpen();
  const sql::Statement parsed = sql::Parse(statement);
  const auto* update = std::get_if<sql::Update>(&parsed);
  if (!update) throw Error::executeRunsUpdatesOnly();
  return fromEngine([&] { return executeUpdate(*update); });
}

long Connection::executeUpdate(const sql::Update& update) {
  const auto [table, setColumn, whereColumn] =
      writeTarget(update.table, update.setColumn, update.whereColumn);

  // What the lookup reads is read under the writer's lock, after any
  // other writer of this computer finished.
  database_->lockForWriting();
  if (!lookup_) lookup_ = std::make_unique<UpdateLookup>();
  const Text wanted = TextCompareKey(update.oldValue);
  const bool sameColumn = setColumn == whereColumn;
  if (sameColumn)
    if (auto rows = lookup_->settledRows(table, whereColumn, wanted, update.newValue)) return *rows;
  const std::vector<engine::RowId> candidates =
      lookup_->candidates(*database_, table, whereColumn, wanted);
  long matched = 0;
  const int asked[] = {whereColumn, setColumn};
  const auto selection = engine::ColumnSelection::only(asked);
  for (const engine::RowId id : candidates) {
    auto row = database_->readRow(table, id, selection);
    if (!row) continue;
    const Value& where = row->values[static_cast<std::size_t>(whereColumn)];
    if (!where.isText() || !HasCompareKey(where.text(), wanted)) continue;
    ++matched;
    const Value& before = row->values[static_cast<std::size_t>(setColumn)];
    // Records that already hold the new text are matched but need no write.
    if (before.isText() && before.text() == update.newValue) continue;
    writeText(table, id, setColumn, before, update.newValue);
    lookup_->wrote(table, setColumn, id, before, update.newValue);
  }
  if (sameColumn)
    lookup_->settle(table, whereColumn, wanted, update.newValue, matched, candidates.size());
  return matched;
}

std::optional<Value> Connection::ReplaceText(const Text& tableName, const Text& field,
                                             engine::RowId id, const Text& expected,
                                             const Text& value) {
  requireOpen();
  return fromEngine([&]() -> std::optional<Value> {
    const WriteTarget target = writeTarget(tableName, field, field);
    // The record is compared under the writer's lock, after any other
    // writer of this computer finished.
    database_->lockForWriting();
    auto row = database_->readRow(target.table, id);
    if (!row) return std::nullopt;
    Value before = row->values[static_cast<std::size_t>(target.setColumn)];
    if (before.isText() && before.text() == expected && expected != value) {
      writeText(target.table, id, target.setColumn, before, value);
      if (lookup_) lookup_->wrote(target.table, target.setColumn, id, before, value);
    }
    return before;
  });
}

void Connection::Close() {
  requireOpen();
  fromEngine([&] { closeDatabase(); });
}

void Connection::closeDatabase() {
  disconnectRecordsets();
  lookup_.reset();
  // The last batch of changes is made durable here; if that fails the
  // connection still closes (the batch is undone) and says why.
  std::unique_ptr<engine::Database> database = std::move(database_);
  try {
    database->close();
  } catch (const engine::Error& e) {
    noteLostWrites(*database, e, false);
    recordsSaved_ += static_cast<long>(database->savedUpdates());
    writtenTables_.clear();
    throw;
  }
  recordsSaved_ += static_cast<long>(database->savedUpdates());
  writtenTables_.clear();
}

void Connection::noteLostWrites(engine::Database& database, const engine::Error& cause,
                                bool oneReported) {
  const std::vector<engine::UpdateMade> lost = database.takeLostUpdates();
  if (lost.empty()) return;
  // The lookup took the undone values for written.
  lookup_.reset();
  const Error error = Error::fromEngine(cause);
  const long others = static_cast<long>(lost.size()) - (oneReported ? 1 : 0);
  if (others > 0) lostWrites_.push_back({error, others});
  if (!observer_) return;
  // The record in hand was told of as refused; the others as undone.
  for (std::size_t i = 0; i + (oneReported ? 1 : 0) < lost.size(); ++i) {
    const engine::UpdateMade& update = lost[i];
    for (const engine::TableDefinition* table : writtenTables_)
      if (table->page == update.table)
        observer_->undone(table->name, table->columns[static_cast<std::size_t>(update.column)].name,
                          update.row, error);
  }
}

std::vector<Connection::LostWrites> Connection::TakeLostWrites() {
  return std::exchange(lostWrites_, {});
}

long Connection::RecordsSaved() const {
  return recordsSaved_ + (database_ ? static_cast<long>(database_->savedUpdates()) : 0);
}

}  // namespace ado
