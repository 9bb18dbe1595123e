#include "engine/write/index_key.h"

#include <algorithm>

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

// Numbers, dates and text, ascending (text keys take the direction themselves).
std::optional<Bytes> ascendingValueKey(const KeyColumn& column, std::span<const std::uint8_t> fixed,
                                       std::u16string_view text) {
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
      return textIndexKey(*column.sortOrder, text, column.ascending);
    default:
      return std::nullopt;
  }
}

// Bytes in segments of eight, each followed by a length byte: 9 when more
// follows, else the count of real bytes in the zero-padded last segment.
// Descending, every byte is inverted except the 9s, so that a longer value
// still sorts after its prefix read backwards.
Bytes segmentedKey(std::span<const std::uint8_t> bytes, bool ascending) {
  constexpr std::size_t kSegment = 8;
  constexpr std::uint8_t kMore = 9;
  const std::uint8_t invert = ascending ? 0x00 : 0xFF;
  Bytes key;
  key.reserve((bytes.size() + kSegment - 1) / kSegment * (kSegment + 1));
  std::size_t at = 0;
  for (; bytes.size() - at > kSegment; at += kSegment) {
    for (std::size_t i = 0; i < kSegment; ++i) key.push_back(bytes[at + i] ^ invert);
    key.push_back(kMore);
  }
  if (at < bytes.size()) {
    const std::size_t last = bytes.size() - at;
    for (std::size_t i = 0; i < kSegment; ++i)
      key.push_back(static_cast<std::uint8_t>((i < last ? bytes[at + i] : 0) ^ invert));
    key.push_back(static_cast<std::uint8_t>(last ^ invert));
  }
  return key;
}

// A GUID's stored bytes hold its first three groups little-endian; keys use
// the order in which the GUID is written out.
Bytes guidKey(std::span<const std::uint8_t> stored, bool ascending) {
  Bytes written(stored.begin(), stored.end());
  std::reverse(written.begin(), written.begin() + 4);
  std::reverse(written.begin() + 4, written.begin() + 6);
  std::reverse(written.begin() + 6, written.begin() + 8);
  return segmentedKey(written, ascending);
}

// A decimal: the sign byte replaced by 0xFF and the 128-bit magnitude
// big-endian, all inverted for a negative value ascending (or a positive one
// descending). Legacy order instead sets the sign byte after inverting:
// 0x00 for a negative value, 0xFF otherwise.
Bytes decimalKey(std::span<const std::uint8_t> stored, bool ascending, bool legacy) {
  constexpr std::size_t kWords = 4, kWordSize = 4;
  const bool negative = (stored[0] & 0x80) != 0;
  Bytes key(1 + kWords * kWordSize);
  for (std::size_t w = 0; w < kWords; ++w)
    for (std::size_t i = 0; i < kWordSize; ++i)
      key[1 + w * kWordSize + i] = stored[1 + w * kWordSize + (kWordSize - 1 - i)];
  key[0] = 0xFF;
  if (negative == ascending)
    for (auto& b : key) b = static_cast<std::uint8_t>(~b);
  if (legacy) key[0] = negative ? 0x00 : 0xFF;
  return key;
}

// The value's bytes after the flag, in the column's direction.
std::optional<Bytes> valueKey(const KeyColumn& column, std::span<const std::uint8_t> stored,
                              std::u16string_view text) {
  const std::size_t size = fixedSizeOf(column.type);
  if (size != 0 && stored.size() != size) return std::nullopt;
  switch (column.type) {
    case JetType::Guid:
      return guidKey(stored, column.ascending);
    case JetType::Binary:
    case JetType::DateTimeExtended:
      return segmentedKey(stored, column.ascending);
    case JetType::Decimal:
      return decimalKey(stored, column.ascending, column.legacyDecimalOrder);
    default:
      break;
  }
  auto key = ascendingValueKey(column, stored, text);
  // Text keys invert themselves when descending (their end bytes differ).
  if (key && !column.ascending && column.type != JetType::Text && column.type != JetType::Memo)
    for (auto& b : *key) b = static_cast<std::uint8_t>(~b);
  return key;
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
    case JetType::Guid:
    case JetType::Binary:
    case JetType::Decimal:
    case JetType::DateTimeExtended:
      return true;
    default:
      return false;
  }
}

bool appendColumnKey(Bytes& key, const KeyColumn& column, bool present,
                     std::span<const std::uint8_t> stored, std::u16string_view text) {
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
  auto value = valueKey(column, stored, text);
  if (!value) return false;
  key.push_back(column.ascending ? kFlagValue : kFlagValueDescending);
  appendBytes(key, *value);
  return true;
}

}  // namespace engine
