#pragma once

// An ADO-like static recordset: the records a SELECT names, as they were
// when the recordset was first read, so later updates on the same connection
// do not change what a walk reads. It holds no values: it keeps each row's
// identity, reads a row when the walk reaches it, and keeps the old values
// of rows its connection changes before the walk has passed them.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ado/kept_values.h"
#include "ado/value.h"
#include "engine/row.h"

namespace engine {
struct TableDefinition;
}

namespace ado {

class Connection;

class Field {
 public:
  Field(Text name, int type) : name_(std::move(name)), type_(type) {}
  const Text& Name() const { return name_; }
  int Type() const { return type_; }  // ADO DataTypeEnum code

 private:
  Text name_;
  int type_;
};

class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  void SetCursorLocation(int location) { cursorLocation_ = location; }

  // Opens `source` (SELECT * FROM t, or SELECT c FROM t) on an open connection.
  void Open(const Text& source, Connection& connection, int cursorType, int lockType);

  long RecordCount();
  [[nodiscard]] bool Eof();
  void MoveNext();

  // Fields, positions 0 to FieldCount() - 1, in table order.
  int FieldCount() const;
  const Field& FieldAt(int position) const;
  // The current record's value of a field, by position or by name.
  const Value& ValueAt(int position);
  const Value& ValueOf(const Text& name);

  void Close();
  [[nodiscard]] bool IsOpen() const { return open_; }

  // For the connection as it closes: the rows not yet walked are read now,
  // and the recordset no longer refers to it.
  void disconnect();
  // For the connection, before it changes column `column` (a position in the
  // table) of row `row` of the table whose definition is on page
  // `tablePage`, which holds `before` there.
  void rowChanging(std::uint32_t tablePage, engine::RowId row, int column, const Value& before);
  // For the connection's schema rowset: a recordset over given rows.
  void openOver(std::vector<Field> fields, std::vector<std::vector<Value>> rows);

 private:
  void requireOpen() const;
  void requireRecord();
  // Finds the rows, once: their identities and their count.
  void findRows();
  // The position of a row of the table in the walk, if it is one.
  [[nodiscard]] std::optional<std::size_t> positionOf(engine::RowId row) const;
  // The values of the record at `position` as the walk must see them.
  std::vector<Value> readRecord(std::size_t position);
  const std::vector<Value>& current();

  int cursorLocation_ = 2;
  bool open_ = false;
  Connection* connection_ = nullptr;
  const engine::TableDefinition* table_ = nullptr;  // the connection's database's
  std::vector<int> columns_;                        // engine column positions of the fields
  engine::ColumnSelection selection_;               // of those columns
  std::vector<Field> fields_;
  bool rowsFound_ = false;
  std::size_t count_ = 0;
  // While connected: the rows in walk order, which is their stored order,
  // each packed in 4 bytes (page above slot), as a file of 2 GB has no more
  // than 2^20 pages: the list is as long as the table.
  std::vector<std::uint32_t> ids_;
  static constexpr std::uint32_t kPackedPageLimit = 0xFFFFFF;
  static std::uint32_t packedRow(engine::RowId row) { return row.page << 8 | row.slot; }
  static engine::RowId unpackedRow(std::uint32_t packed) {
    return {packed >> 8, static_cast<std::uint8_t>(packed & 0xFF)};
  }
  bool idsInPlaceOrder_ = true;  // ids_ in the order a scan gives
  KeptValues kept_;
  // Records held in memory (schema rowsets, and what a closing connection
  // left): rows_[i] is the record at position rowsFrom_ + i.
  std::vector<std::vector<Value>> rows_;
  std::size_t rowsFrom_ = 0;
  std::size_t position_ = 0;
  std::vector<Value> current_;
  bool currentRead_ = false;
};

}  // namespace ado
