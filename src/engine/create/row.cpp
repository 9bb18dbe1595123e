#include "engine/create/row.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <type_traits>

#include "engine/create/refusal.h"
#include "engine/format/row_layout.h"
#include "engine/jet_type.h"
#include "engine/read/value_decoder.h"
#include "engine/text/text_encoder.h"
#include "engine/utf.h"

namespace engine::create {

namespace {

[[noreturn]] void refuse(const std::string& place, const std::string& why) {
  throw Refusal("the value of " + place + " " + why);
}

std::optional<std::int64_t> integerOf(const Value& value) {
  return std::visit(
      [](const auto& v) -> std::optional<std::int64_t> {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, std::uint8_t> || std::is_same_v<V, std::int16_t> ||
                      std::is_same_v<V, std::int32_t> || std::is_same_v<V, std::int64_t>)
          return static_cast<std::int64_t>(v);
        else
          return std::nullopt;
      },
      value.storage());
}

std::optional<double> floatingOf(const Value& value) {
  if (value.is<double>()) return value.as<double>();
  if (value.is<float>()) return value.as<float>();
  return std::nullopt;
}

Bytes littleEndian(std::uint64_t v, std::size_t size) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
  return out;
}

// A decimal's sign byte (0x80 negative), then its magnitude as four 32-bit
// little-endian words, most significant first.
Bytes decimalBytes(const engine::Decimal& d) {
  Bytes bytes{static_cast<std::uint8_t>(d.negative ? 0x80 : 0x00)};
  for (std::uint32_t word : {std::uint32_t{0}, d.high, static_cast<std::uint32_t>(d.low >> 32),
                             static_cast<std::uint32_t>(d.low)})
    appendBytes(bytes, littleEndian(word, 4));
  return bytes;
}

constexpr std::int64_t kTicksPerSecond = 10000000, kSecondsPerDay = 86400;
// 10000-01-01, the first day past the years an extended date holds.
constexpr std::int64_t kLastExtendedTick = 3652059LL * kSecondsPerDay * kTicksPerSecond;

Bytes integerBytes(const Value& value, std::int64_t low, std::int64_t high, std::size_t size,
                   const std::string& place) {
  auto n = integerOf(value);
  if (!n) refuse(place, "is not an integer");
  if (*n < low || *n > high) refuse(place, "is out of range (" + std::to_string(*n) + ")");
  return littleEndian(static_cast<std::uint64_t>(*n), size);
}

// The bytes of the row's fixed area: up to the end of the last fixed value.
std::size_t fixedAreaSize(const TableDefinition& table) {
  std::size_t size = 0;
  for (const auto& column : table.columns)
    if (column.isFixedLength())
      size = std::max(size, column.fixedOffset + fixedSizeOf(column.type));
  return size;
}

}  // namespace

std::string valuePlace(const std::u16string& table, std::size_t row,
                       const ColumnDefinition& column) {
  return "column '" + toUtf8(column.name) + "' in row " + std::to_string(row + 1) + " of table '" +
         toUtf8(table) + "'";
}

StoredField storeValue(const ColumnDefinition& column, const Value& value,
                       const std::string& place) {
  const auto type = static_cast<JetType>(column.type);
  if (type == JetType::Boolean) {
    if (!value.is<bool>()) refuse(place, "is not a Yes/No value (Yes/No columns cannot be null)");
    return {value.as<bool>(), {}};
  }
  if (value.isNull()) return {false, {}};
  if (value.isEmpty()) refuse(place, "is missing");
  StoredField field{true, {}};
  switch (type) {
    case JetType::Byte:
      field.bytes = integerBytes(value, 0, 255, 1, place);
      break;
    case JetType::Integer:
      field.bytes = integerBytes(value, std::numeric_limits<std::int16_t>::min(),
                                 std::numeric_limits<std::int16_t>::max(), 2, place);
      break;
    case JetType::Long:
      field.bytes = integerBytes(value, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max(), 4, place);
      break;
    case JetType::Single: {
      auto d = floatingOf(value);
      if (!d) refuse(place, "is not a number");
      if (std::isfinite(*d) && std::fabs(*d) > std::numeric_limits<float>::max())
        refuse(place, "is out of range for Single");
      field.bytes = littleEndian(std::bit_cast<std::uint32_t>(static_cast<float>(*d)), 4);
      break;
    }
    case JetType::Double: {
      auto d = floatingOf(value);
      if (!d) refuse(place, "is not a number");
      field.bytes = littleEndian(std::bit_cast<std::uint64_t>(*d), 8);
      break;
    }
    case JetType::Currency:
      if (!value.is<engine::Currency>()) refuse(place, "is not a Currency value");
      field.bytes =
          littleEndian(static_cast<std::uint64_t>(value.as<engine::Currency>().tenThousandths), 8);
      break;
    case JetType::DateTime:
      if (!value.is<engine::DateTime>()) refuse(place, "is not a date");
      field.bytes =
          littleEndian(std::bit_cast<std::uint64_t>(value.as<engine::DateTime>().days), 8);
      break;
    case JetType::Guid: {
      if (!value.is<engine::Guid>()) refuse(place, "is not a GUID");
      const auto& g = value.as<engine::Guid>().bytes;
      field.bytes.assign(g.begin(), g.end());
      break;
    }
    case JetType::Decimal: {
      if (!value.is<engine::Decimal>()) refuse(place, "is not a decimal");
      const auto& d = value.as<engine::Decimal>();
      if (d.scale != column.scale)
        refuse(place, "has " + std::to_string(d.scale) + " digits after the point, not " +
                          std::to_string(column.scale));
      field.bytes = decimalBytes(d);
      break;
    }
    case JetType::DateTimeExtended:
      if (!value.is<engine::DateTimeExtended>()) refuse(place, "is not an extended date");
      if (value.as<engine::DateTimeExtended>().ticks < 0 ||
          value.as<engine::DateTimeExtended>().ticks >= kLastExtendedTick)
        refuse(place, "is outside the years 1 to 9999");
      field.bytes = encodeDateTimeExtended(value.as<engine::DateTimeExtended>());
      break;
    case JetType::Text: {
      if (!value.isText()) refuse(place, "is not text");
      const auto& text = value.text();
      if (text.size() * 2 > column.length)
        refuse(place,
               "is longer than the column's " + std::to_string(column.length / 2) + " characters");
      field.bytes = encodeJet4Text(text, column.allowsCompression());
      break;
    }
    case JetType::Binary: {
      if (!value.is<engine::Bytes>()) refuse(place, "is not binary");
      field.bytes = value.as<engine::Bytes>();
      if (field.bytes.size() > column.length) refuse(place, "is too long");
      break;
    }
    default:
      refuse(place, "has a type the creator cannot store here");
  }
  return field;
}

std::optional<Bytes> longValueBytes(const ColumnDefinition& column, const Value& value,
                                    const std::string& place) {
  if (value.isNull()) return std::nullopt;
  if (column.type == static_cast<std::uint8_t>(JetType::Memo)) {
    if (!value.isText()) refuse(place, "is not text");
    return encodeJet4Text(value.text(), column.allowsCompression());
  }
  if (!value.is<engine::Bytes>()) refuse(place, "is not binary (OLE) data");
  return value.as<engine::Bytes>();
}

Bytes encodeRow(const TableDefinition& layout, const std::vector<StoredField>& fields) {
  const auto columnCount = layout.columns.size();
  const std::uint16_t variableColumns = layout.variableColumnCount;
  Bytes head(2 + fixedAreaSize(layout), 0);
  putU16(head, 0, static_cast<std::uint16_t>(columnCount));
  std::vector<std::span<const std::uint8_t>> variables(variableColumns);
  Bytes mask(row_layout::maskLength(columnCount), 0);
  for (std::size_t i = 0; i < columnCount; ++i) {
    const auto& column = layout.columns[i];
    if (fields[i].present) row_layout::markPresent(mask, column.number);
    if (!fields[i].present) continue;
    if (!column.isFixedLength())
      variables[column.variableIndex] = fields[i].bytes;
    else if (!fields[i].bytes.empty())
      std::copy(fields[i].bytes.begin(), fields[i].bytes.end(),
                head.begin() + 2 + column.fixedOffset);
  }
  if (variableColumns == 0) return row_layout::packFixed(head, mask);
  // The creator writes Jet 4 and ACE rows, whose 16-bit offsets always pack.
  std::string why;
  return *row_layout::pack(Format{}, head, variables, mask, 0, why);
}

}  // namespace engine::create
