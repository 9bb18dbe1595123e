#include "engine/create/index_key.h"

#include "engine/format/jet_type.h"
#include "engine/text/text_key.h"

namespace engine::create {

namespace {

constexpr std::uint8_t kFlagValue = 0x7F;
constexpr std::uint8_t kFlagNull = 0x00;

// Big-endian copy of little-endian stored bytes.
Bytes bigEndian(const Bytes& stored) { return Bytes(stored.rbegin(), stored.rend()); }

// Signed integers: big-endian with the sign bit flipped, so that byte order is numeric order.
Bytes integerKey(const Bytes& stored) {
  auto key = bigEndian(stored);
  key[0] ^= 0x80;
  return key;
}

// IEEE numbers: positive ones get the sign bit set; negative ones are inverted whole.
Bytes floatingKey(const Bytes& stored) {
  auto key = bigEndian(stored);
  if (key[0] & 0x80) {
    for (auto& b : key) b = static_cast<std::uint8_t>(~b);
  } else {
    key[0] |= 0x80;
  }
  return key;
}

}  // namespace

bool indexableType(JetType type) {
  switch (type) {
    case JetType::Byte:
    case JetType::Integer:
    case JetType::Long:
    case JetType::Currency:
    case JetType::Single:
    case JetType::Double:
    case JetType::DateTime:
    case JetType::Text:
      return true;
    default:
      return false;
  }
}

bool appendColumnKey(Bytes& key, const ColumnDefinition& column, bool present, const Bytes& stored,
                     const Value& value) {
  if (!present) {
    key.push_back(kFlagNull);
    return true;
  }
  key.push_back(kFlagValue);
  switch (static_cast<JetType>(column.type)) {
    case JetType::Byte:
      appendBytes(key, stored);
      return true;
    case JetType::Integer:
    case JetType::Long:
    case JetType::Currency:
      appendBytes(key, integerKey(stored));
      return true;
    case JetType::Single:
    case JetType::Double:
    case JetType::DateTime:
      appendBytes(key, floatingKey(stored));
      return true;
    case JetType::Text: {
      auto text = generalLegacyTextKey(value.text());
      if (!text) return false;
      appendBytes(key, *text);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace engine::create
