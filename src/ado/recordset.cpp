#include "ado/recordset.h"

#include "ado/connection.h"
#include "ado/error.h"

namespace ado {
Recordset::Recordset() = default;

Recordset::~Recordset() {
  if (open_) Close();
}

void Recordset::requireOpen() const {
  if (!open_) throw Error::objectClosed();
}

void Recordset::requireRecord() {
  requireOpen();
  takeSnapshot();
  if (position_ >= rows_.size()) throw Error::noCurrentRecord();
}

long Recordset::RecordCount() {
  requireOpen();
  takeSnapshot();
  return static_cast<long>(rows_.size());
}

bool Recordset::Eof() {
  requireOpen();
  takeSnapshot();
  return position_ >= rows_.size();
}

void Recordset::MoveNext() {
  requireRecord();
  ++position_;
}

int Recordset::FieldCount() const {
  requireOpen();
  return static_cast<int>(fields_.size());
}

const Field& Recordset::FieldAt(int position) const {
  requireOpen();
  if (position < 0 || position >= static_cast<int>(fields_.size())) throw Error::itemNotFound();
  return fields_[static_cast<std::size_t>(position)];
}

const Value& Recordset::ValueAt(int position) {
  FieldAt(position);
  requireRecord();
  return rows_[position_][static_cast<std::size_t>(position)];
}

const Value& Recordset::ValueOf(const Text& name) {
  requireOpen();
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].Name() == name) return ValueAt(static_cast<int>(i));
  throw Error::itemNotFound();
}

void Recordset::openOver(std::vector<Field> fields, std::vector<std::vector<Value>> rows) {
  if (open_) Close();
  fields_ = std::move(fields);
  rows_ = std::move(rows);
  snapshotTaken_ = true;
  position_ = 0;
  open_ = true;
}

void Recordset::disconnect() {
  takeSnapshot();
  connection_ = nullptr;
}

void Recordset::Close() {
  requireOpen();
  if (connection_) connection_->detach(this);
  connection_ = nullptr;
  open_ = false;
  fields_.clear();
  rows_.clear();
  columns_.clear();
  snapshotTaken_ = false;
  position_ = 0;
}

}  // namespace ado
