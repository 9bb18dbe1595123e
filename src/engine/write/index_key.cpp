#include "engine/write/index_key.h"

namespace engine {

namespace {

constexpr std::uint8_t kFlagValue = 0x7F, kFlagValueDescending = 0x80;
constexpr std::uint8_t kFlagNull = 0x00, kFlagNullDescending = 0xFF;
constexpr std::uint8_t kYes = 0x00, kNo = 0xFF;

// Big-endian copy of little-endian stored bytes.
Bytes bigEndian(std::span<const std::uint8_t> stored) {
  return Bytes(stored.rbegin(), stored.rend());
}

// Signed integers: big-endian with the sign bit flipped, so that byte order is numeric order.
Bytes integerKey(std::span<const std::uint8_t> stored) {
  auto key = bigEndian(stored);
  key[0] ^= 0x80;
  return key;
}

// IEEE numbers: positive ones get the sign bit set; negative ones are inverted whole.
Bytes floatingKey(std::span<const std::uint8_t> stored) {
  auto key = bigEndian(stored);
  if (key[0] & 0x80) {
    for (auto& b : key) b = static_cast<std::uint8_t>(~b);
  } else {
    key[0] |= 0x80;
  }
  return key;
}

std::optional<Bytes> valueKey(const KeyColumn& column, std::span<const std::uint8_t> fixed,
                              std::u16string_view text) {
  const std::size_t size = fixedSizeOf(column.type);
  if (size != 0 && fixed.size() != size) return std::nullopt;
  switch (column.type) {
    case JetType::Byte:
      return Bytes(fixed.begin(), fixed.end());
    case JetType::Integer:
    case JetType::Long:
    case JetType::Currency:
    case JetType::BigInt:
      return integerKey(fixed);
    case JetType::Single:
    case JetType::Double:
    case JetType::DateTime:
      return floatingKey(fixed);
    case JetType::Text:
    case JetType::Memo:
      if (!column.sortOrder) return std::nullopt;
      // Text keys invert themselves when descending (their end bytes differ).
      return textIndexKey(*column.sortOrder, text, column.ascending);
    default:
      return std::nullopt;
  }
}

}  // namespace

bool indexableType(JetType type) {
  switch (type) {
    case JetType::Boolean:
    case JetType::Byte:
    case JetType::Integer:
    case JetType::Long:
    case JetType::Currency:
    case JetType::BigInt:
    case JetType::Single:
    case JetType::Double:
    case JetType::DateTime:
    case JetType::Text:
    case JetType::Memo:
      return true;
    default:
      return false;
  }
}

bool appendColumnKey(Bytes& key, const KeyColumn& column, bool present,
                     std::span<const std::uint8_t> fixed, std::u16string_view text) {
  if (column.type == JetType::Boolean) {
    // Never null: the flag of a value, then Yes or No (swapped descending).
    key.push_back(column.ascending ? kFlagValue : kFlagValueDescending);
    key.push_back((present == column.ascending) ? kYes : kNo);
    return true;
  }
  if (!present) {
    key.push_back(column.ascending ? kFlagNull : kFlagNullDescending);
    return true;
  }
  auto value = valueKey(column, fixed, text);
  if (!value) return false;
  if (!column.ascending && column.type != JetType::Text && column.type != JetType::Memo)
    for (auto& b : *value) b = static_cast<std::uint8_t>(~b);
  key.push_back(column.ascending ? kFlagValue : kFlagValueDescending);
  appendBytes(key, *value);
  return true;
}

}  // namespace engine
