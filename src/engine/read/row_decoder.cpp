#include "engine/read/row_decoder.h"

#include "engine/format/layout_long_value.h"
#include "engine/format/row_layout.h"
#include "engine/jet_type.h"
#include "engine/read/long_value.h"
#include "engine/read/value_decoder.h"

namespace engine {

namespace lv = layout::long_value;

ColumnSelection ColumnSelection::only(std::span<const int> positions) {
  ColumnSelection selection;
  selection.all_ = false;
  for (const int position : positions) {
    if (position < 0) continue;
    const auto at = static_cast<std::size_t>(position);
    if (at >= selection.wanted_.size()) selection.wanted_.resize(at + 1, false);
    selection.wanted_[at] = true;
  }
  return selection;
}

ColumnSelection ColumnSelection::withLongValueReferences(std::span<const int> positions) {
  ColumnSelection selection = only(positions);
  selection.referencesOnly_ = true;
  return selection;
}

RowDecoder::RowDecoder(Pager& pager, const Format& format, const TableDefinition& table)
    : pager_(pager), format_(format), table_(table) {}

void RowDecoder::readVariableTable(const BoundedBytes& row, std::size_t maskLength) const {
  offsets_.clear();
  switch (row_layout::readVariableOffsets(row.all(), format_, maskLength, offsets_)) {
    case row_layout::Fault::none:
      break;
    case row_layout::Fault::noVariableCount:
      row.fail("a row is too short for its variable-column count");
    case row_layout::Fault::offsetTableOverflows:
      row.fail("a row's variable-offset table overflows it");
  }
}

void RowDecoder::decode(const BoundedBytes& row, std::vector<Value>& values,
                        const ColumnSelection& selection) const {
  const std::size_t countSize = format_.rowColumnCountSize();
  const std::size_t rowColumns = countSize == 1 ? row.u8(0) : row.u16(0);
  const std::size_t maskLength = row_layout::maskLength(rowColumns);
  if (maskLength + countSize > row.size()) row.fail("a row is shorter than its null mask");
  auto mask = row.slice(row.size() - maskLength, maskLength);
  auto present = [&](std::size_t number) { return row_layout::present(mask, rowColumns, number); };

  if (table_.variableColumnCount > 0)
    readVariableTable(row, maskLength);
  else
    offsets_.clear();
  const std::size_t variableCount = offsets_.empty() ? 0 : offsets_.size() - 1;

  values.clear();
  values.reserve(table_.columns.size());
  for (std::size_t position = 0; position < table_.columns.size(); ++position) {
    const ColumnDefinition& column = table_.columns[position];
    const auto take = selection.take(position, column.isLongValue() && !column.isCalculated());
    if (take == ColumnSelection::Take::Nothing) {
      values.push_back(Value::null());
      continue;
    }
    if (column.type == static_cast<std::uint8_t>(JetType::Boolean) && !column.isCalculated()) {
      values.emplace_back(present(column.number));
      continue;
    }
    if (!present(column.number)) {
      values.push_back(Value::null());
      continue;
    }
    if (column.isFixedLength() && !column.isCalculated()) {
      std::size_t size = fixedSizeOf(column.type);
      if (size == 0) size = column.length;
      BoundedBytes field = row.sub(countSize + column.fixedOffset, size);
      values.push_back(decodeScalar(column.type, column, field, format_));
      continue;
    }
    if (column.variableIndex >= variableCount) {
      values.push_back(Value::null());
      continue;
    }
    std::size_t start = offsets_[column.variableIndex];
    std::size_t end = offsets_[column.variableIndex + 1];
    if (start > end || end > row.size())
      row.fail("the variable value of column " + std::to_string(column.number) +
               " has inconsistent offsets (" + std::to_string(start) + " to " +
               std::to_string(end) + ")");
    const BoundedBytes field = row.sub(start, end - start);
    if (take == ColumnSelection::Take::StoredReference)
      values.push_back(engine::Bytes(field.all().begin(), field.all().end()));
    else
      values.push_back(decodeVariable(column, field));
  }
}

Value RowDecoder::decodeVariable(const ColumnDefinition& column, const BoundedBytes& field) const {
  if (column.isCalculated()) return decodeCalculated(column, field);
  if (column.isLongValue()) {
    std::vector<std::uint8_t> data = readLongValue(pager_, format_, field);
    if (column.type == static_cast<std::uint8_t>(JetType::Memo)) return decodeText(data, format_);
    return engine::Bytes(std::move(data));
  }
  return decodeScalar(column.type, column, field, format_);
}

Value RowDecoder::decodeCalculated(const ColumnDefinition& column,
                                   const BoundedBytes& field) const {
  // The result type is the ResultType property where known. A memo or OLE
  // result (also one stored as text of length 0) lives in a long value.
  const std::uint8_t type = column.resultType != 0 ? column.resultType : column.type;
  const bool longResult =
      type == static_cast<std::uint8_t>(JetType::Memo) ||
      type == static_cast<std::uint8_t>(JetType::Ole) || column.isLongValue() ||
      (column.type == static_cast<std::uint8_t>(JetType::Text) && column.length == 0);
  std::vector<std::uint8_t> storage;
  BoundedBytes wrapper = field;
  if (longResult) {
    storage = readLongValue(pager_, format_, field);
    wrapper = BoundedBytes(storage, field.page(), field.path());
  }
  if (wrapper.size() < lv::kCalculatedData) return Value::null();
  std::uint32_t length = wrapper.u32(lv::kCalculatedLength);
  BoundedBytes data = wrapper.sub(lv::kCalculatedData, length);
  Value value;
  switch (static_cast<JetType>(type)) {
    case JetType::Boolean:
      value = data.size() > 0 && data.u8(0) != 0;
      break;
    case JetType::Memo:
    case JetType::Text:
      value = decodeText(data.all(), format_);
      break;
    case JetType::Ole:
      value = engine::Bytes(data.all().begin(), data.all().end());
      break;
    default:
      if (data.size() < fixedSizeOf(type)) return Value::null();
      value = decodeScalar(type, column, data, format_);
  }
  return value;
}

}  // namespace engine
