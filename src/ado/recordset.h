#pragma once

// An ADO-like static recordset: the records a SELECT names, taken as a
// snapshot when they are first read, so later updates on the same connection
// do not change what a walk reads.

#include <memory>
#include <string>
#include <vector>

#include "ado/value.h"

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
  bool Eof();
  void MoveNext();

  // Fields, positions 0 to FieldCount() - 1, in table order.
  int FieldCount() const;
  const Field& FieldAt(int position) const;
  // The current record's value of a field, by position or by name.
  const Value& ValueAt(int position);
  const Value& ValueOf(const Text& name);

  void Close();
  bool IsOpen() const { return open_; }

  // For the connection as it closes: the rows are read now if they were not
  // yet, and the recordset no longer refers to it.
  void disconnect();
  // For the connection's schema rowset: a recordset over given rows.
  void openOver(std::vector<Field> fields, std::vector<std::vector<Value>> rows);

 private:
  void requireOpen() const;
  void requireRecord();
  void takeSnapshot();

  int cursorLocation_ = 2;
  bool open_ = false;
  Connection* connection_ = nullptr;
  Text table_;
  std::vector<int> columns_;  // engine column positions of the fields
  std::vector<Field> fields_;
  bool snapshotTaken_ = false;
  std::vector<std::vector<Value>> rows_;
  std::size_t position_ = 0;
};

}  // namespace ado
