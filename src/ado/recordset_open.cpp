// Opening a recordset on a table of the connection's database, and reading
// its snapshot.
#include "ado/connection.h"
#include "ado/error.h"
#include "ado/field_type.h"
#include "ado/recordset.h"
#include "ado/sql.h"
#include "engine/database.h"
#include "engine/text/utf.h"

namespace ado {

void Recordset::Open(const Text& source, Connection& connection, int /*cursorType*/,
                     int /*lockType*/) {
  if (open_) throw Error::objectOpen();
  engine::Database& database = connection.database();
  const sql::Statement parsed = sql::Parse(source);
  const auto* select = std::get_if<sql::Select>(&parsed);
  if (!select) throw Error::syntaxError("SELECT");
  const engine::TableDefinition& table =
      fromEngine([&]() -> const engine::TableDefinition& { return database.table(select->table); });
  std::vector<int> columns;
  if (select->column) {
    const int index = table.columnIndex(*select->column);
    if (index < 0) throw Error::unknownColumn(engine::toUtf8(*select->column));
    columns.push_back(index);
  } else {
    for (std::size_t i = 0; i < table.columns.size(); ++i) columns.push_back(static_cast<int>(i));
  }
  fields_.clear();
  for (int index : columns) {
    const auto& column = table.columns[static_cast<std::size_t>(index)];
    fields_.emplace_back(column.name, FieldTypeOf(column));
  }
  columns_ = std::move(columns);
  table_ = table.name;
  connection_ = &connection;
  connection.attach(this);
  rows_.clear();
  snapshotTaken_ = false;
  position_ = 0;
  open_ = true;
}

void Recordset::takeSnapshot() {
  if (snapshotTaken_ || !connection_) return;
  engine::Database& database = connection_->database();
  fromEngine([&] {
    const engine::TableDefinition& table = database.table(table_);
    auto scan = database.scan(table, engine::ColumnSelection::only(columns_));
    engine::Row row;
    while (scan->next(row)) {
      std::vector<Value> values;
      values.reserve(columns_.size());
      for (int index : columns_)
        values.push_back(std::move(row.values[static_cast<std::size_t>(index)]));
      rows_.push_back(std::move(values));
    }
  });
  snapshotTaken_ = true;
}

}  // namespace ado
