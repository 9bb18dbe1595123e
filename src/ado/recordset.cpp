#include "ado/recordset.h"

#include <algorithm>

#include "ado/connection.h"
#include "ado/error.h"
#include "engine/table_definition.h"

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
  findRows();
  if (position_ >= count_) throw Error::noCurrentRecord();
}

long Recordset::RecordCount() {
  requireOpen();
  findRows();
  return static_cast<long>(count_);
}

bool Recordset::Eof() {
  requireOpen();
  findRows();
  return position_ >= count_;
}

void Recordset::MoveNext() {
  requireRecord();
  if (connection_) kept_.release(position_);
  ++position_;
  current_.clear();
  currentRead_ = false;
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
  return current()[static_cast<std::size_t>(position)];
}

const Value& Recordset::ValueOf(const Text& name) {
  requireOpen();
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].Name() == name) return ValueAt(static_cast<int>(i));
  throw Error::itemNotFound();
}

const std::vector<Value>& Recordset::current() {
  if (!currentRead_) {
    current_ = connection_ ? readRecord(position_) : std::move(rows_[position_ - rowsFrom_]);
    currentRead_ = true;
  }
  return current_;
}

std::optional<std::size_t> Recordset::positionOf(engine::RowId row) const {
  if (row.page > kPackedPageLimit) return std::nullopt;
  const std::uint32_t packed = packedRow(row);
  // A table whose page map lists its pages out of order is searched row by row.
  const auto at = idsInPlaceOrder_ ? std::lower_bound(ids_.begin(), ids_.end(), packed)
                                   : std::find(ids_.begin(), ids_.end(), packed);
  if (at == ids_.end() || *at != packed) return std::nullopt;
  return static_cast<std::size_t>(at - ids_.begin());
}

void Recordset::rowChanging(std::uint32_t tablePage, engine::RowId row, int column,
                            const Value& before) {
  if (!open_ || !connection_ || tablePage != table_->page) return;
  const auto field = std::find(columns_.begin(), columns_.end(), column);
  if (field == columns_.end()) return;
  findRows();
  const std::optional<std::size_t> position = positionOf(row);
  // Rows the walk has passed are read no more; the current record, once
  // read, is kept as read.
  if (!position || *position < position_ || (*position == position_ && currentRead_)) return;
  kept_.keep(static_cast<std::size_t>(field - columns_.begin()), *position, before);
}

void Recordset::openOver(std::vector<Field> fields, std::vector<std::vector<Value>> rows) {
  if (open_) Close();
  fields_ = std::move(fields);
  count_ = rows.size();
  rows_ = std::move(rows);
  rowsFrom_ = 0;
  rowsFound_ = true;
  position_ = 0;
  open_ = true;
}

void Recordset::disconnect() {
  findRows();
  // The connection's database goes: what is left of the walk is read now.
  rowsFrom_ = position_ + (currentRead_ ? 1 : 0);
  rows_.clear();
  for (std::size_t p = rowsFrom_; p < count_; ++p) rows_.push_back(readRecord(p));
  ids_ = {};
  kept_.reset(0, 0);
  connection_ = nullptr;
  table_ = nullptr;
}

void Recordset::Close() {
  requireOpen();
  if (connection_) connection_->detach(this);
  connection_ = nullptr;
  table_ = nullptr;
  open_ = false;
  fields_.clear();
  columns_.clear();
  ids_ = {};
  kept_.reset(0, 0);
  rows_ = {};
  rowsFrom_ = 0;
  rowsFound_ = false;
  count_ = 0;
  position_ = 0;
  current_.clear();
  currentRead_ = false;
}

}  // namespace ado
