// Opening a recordset on a table of the connection's database, and reading
// its rows.
#include <algorithm>

#include "ado/connection.h"
#include "ado/error.h"
#include "ado/field_type.h"
#include "ado/recordset.h"
#include "ado/row_count_hint.h"
#include "ado/sql.h"
#include "engine/database.h"
#include "engine/error.h"
#include "engine/utf.h"

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
  table_ = &table;
  selection_ = engine::ColumnSelection::only(columns_);
  connection_ = &connection;
  connection.attach(this);
  rowsFound_ = false;
  position_ = 0;
  open_ = true;
}

void Recordset::findRows() {
  if (rowsFound_ || !connection_) return;
  engine::Database& database = connection_->database();
  fromEngine([&] {
    // No value is read: a row is found again by its identity.
    auto scan = database.scan(*table_, engine::ColumnSelection::only({}));
    engine::Row row;
    ids_.reserve(RowCountHint(*table_));
    while (scan->next(row)) {
      if (row.id.page > kPackedPageLimit)
        throw engine::Error::damaged(database.path(), row.id.page,
                                     "a row lies beyond the 2 GB an Access file can hold");
      ids_.push_back(packedRow(row.id));
    }
  });
  ReturnSpareRoom(ids_);
  idsInPlaceOrder_ = std::is_sorted(ids_.begin(), ids_.end());
  count_ = ids_.size();
  kept_.reset(columns_.size(), count_);
  rowsFound_ = true;
}

std::vector<Value> Recordset::readRecord(std::size_t position) {
  engine::Database& database = connection_->database();
  std::optional<engine::Row> row = fromEngine(
      [&] { return database.readRow(*table_, unpackedRow(ids_[position]), selection_); });
  // Rows are not deleted through a connection; another program did it.
  if (!row) throw Error::noCurrentRecord();
  std::vector<Value> values;
  values.reserve(columns_.size());
  for (std::size_t field = 0; field < columns_.size(); ++field) {
    const Value* kept = kept_.find(field, position);
    values.push_back(kept ? *kept
                          : std::move(row->values[static_cast<std::size_t>(columns_[field])]));
  }
  return values;
}

}  // namespace ado
