#include "engine/read/property_block.h"

#include <cstring>

#include "engine/format/layout_property_block.h"
#include "engine/jet_type.h"
#include "engine/read/value_decoder.h"
#include "engine/simple_case.h"
#include "engine/table_definition.h"

namespace engine {

namespace pb = layout::property_block;

const Property* PropertySet::find(std::u16string_view name) const {
  for (const auto& property : properties)
    if (equalsIgnoringCase(property.name, name)) return &property;
  return nullptr;
}

namespace {

std::u16string readName(const BoundedBytes& bytes, std::size_t& pos, const Format& format) {
  std::size_t length = bytes.u16(pos);
  auto text = bytes.slice(pos + 2, length);
  pos += 2 + length;
  return decodeText(text, format);
}

Value decodePropertyValue(std::uint8_t type, const BoundedBytes& value, const Format& format) {
  switch (static_cast<JetType>(type)) {
    case JetType::Boolean:
      return value.size() > 0 && value.u8(0) != 0;
    case JetType::Text:
    case JetType::Memo:
      return decodeText(value.all(), format);
    default:
      break;
  }
  std::size_t size = fixedSizeOf(type);
  if (size == 0 || value.size() < size)
    return engine::Bytes(value.all().begin(), value.all().end());
  ColumnDefinition column;
  column.name = u"property";
  column.type = type;
  return decodeScalar(type, column, value, format);
}

}  // namespace

std::vector<PropertySet> parsePropertyBlock(const BoundedBytes& block, const Format& format) {
  std::vector<PropertySet> sets;
  if (block.size() < pb::kSignatureSize) return sets;
  const char* expected = format.isJet3() ? pb::kSignatureJet3 : pb::kSignatureJet4;
  if (std::memcmp(block.slice(0, pb::kSignatureSize).data(), expected, pb::kSignatureSize) != 0)
    block.fail("a property block lacks its signature");

  std::vector<std::u16string> names;
  std::size_t pos = pb::kSignatureSize;
  while (pos + pb::kChunkHeaderSize <= block.size()) {
    std::size_t chunkLength = block.u32(pos);
    std::uint16_t kind = block.u16(pos + 4);
    if (chunkLength < pb::kChunkHeaderSize || chunkLength > block.size() - pos)
      block.fail("a property chunk of " + std::to_string(chunkLength) +
                 " bytes does not fit its block");
    BoundedBytes chunk = block.sub(pos + pb::kChunkHeaderSize, chunkLength - pb::kChunkHeaderSize);
    pos += chunkLength;

    if (kind == pb::kKindNames) {
      std::size_t at = 0;
      while (at + 2 <= chunk.size()) names.push_back(readName(chunk, at, format));
      continue;
    }
    if (kind != pb::kKindObject && kind != pb::kKindColumn) continue;

    PropertySet set;
    set.isColumn = kind == pb::kKindColumn;
    std::size_t at = 0;
    if (chunk.size() >= 4) {
      std::size_t headerLength = chunk.u32(0);
      if (headerLength < 4 || headerLength > chunk.size())
        chunk.fail("a property chunk's name header does not fit");
      if (headerLength > 6) {
        std::size_t namePos = 4;
        set.target = readName(chunk, namePos, format);
      }
      at = headerLength;
    }
    while (at + pb::kEntryHeaderSize <= chunk.size()) {
      std::size_t entryLength = chunk.u16(at);
      if (entryLength < pb::kEntryHeaderSize || entryLength > chunk.size() - at)
        chunk.fail("a property entry does not fit its chunk");
      Property property;
      property.ddl = chunk.u8(at + 2) != 0;
      property.type = chunk.u8(at + 3);
      std::size_t nameIndex = chunk.u16(at + 4);
      std::size_t valueLength = chunk.u16(at + 6);
      if (valueLength > entryLength - pb::kEntryHeaderSize)
        chunk.fail("a property value overruns its entry");
      if (nameIndex < names.size()) property.name = names[nameIndex];
      property.value = decodePropertyValue(
          property.type, chunk.sub(at + pb::kEntryHeaderSize, valueLength), format);
      set.properties.push_back(std::move(property));
      at += entryLength;
    }
    sets.push_back(std::move(set));
  }
  return sets;
}

}  // namespace engine
