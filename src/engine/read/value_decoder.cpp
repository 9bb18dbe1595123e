#include "engine/read/value_decoder.h"

#include <bit>
#include <cstdio>
#include <cstring>

#include "engine/jet_type.h"
#include "engine/text/text_codec.h"

namespace engine {

namespace {

std::uint64_t readU64(std::span<const std::uint8_t> b) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | b[i];
  return v;
}

bool parseDigits(std::span<const std::uint8_t> b, std::size_t from, std::size_t count,
                 std::int64_t& out) {
  out = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (b[i] < '0' || b[i] > '9') return false;
    out = out * 10 + (b[i] - '0');
  }
  return true;
}

}  // namespace

engine::Text decodeText(std::span<const std::uint8_t> bytes, const Format& format) {
  return format.isJet3() ? decodeCodePage1252(bytes) : decodeJet4Text(bytes);
}

bool parseDateTimeExtended(std::span<const std::uint8_t> b, engine::DateTimeExtended& out) {
  // 19 digits of days since 0001-01-01, ':', 12 digits of seconds, 7 digits
  // of 100 ns.
  if (b.size() < 39 || b[19] != ':') return false;
  std::int64_t days = 0, seconds = 0, fraction = 0;
  if (!parseDigits(b, 0, 19, days) || !parseDigits(b, 20, 12, seconds) ||
      !parseDigits(b, 32, 7, fraction))
    return false;
  if (days > 3652059 || seconds >= 86400) return false;  // beyond 9999-12-31
  out.ticks = (days * 86400 + seconds) * 10000000 + fraction;
  return true;
}

engine::Bytes encodeDateTimeExtended(const engine::DateTimeExtended& value) {
  constexpr std::int64_t kTicksPerSecond = 10000000, kSecondsPerDay = 86400;
  const std::int64_t seconds = value.ticks / kTicksPerSecond;
  char text[43];
  std::snprintf(text, sizeof text, "%019lld:%012lld%07lld:7",
                static_cast<long long>(seconds / kSecondsPerDay),
                static_cast<long long>(seconds % kSecondsPerDay),
                static_cast<long long>(value.ticks % kTicksPerSecond));
  return engine::Bytes(text, text + 42);
}

Value decodeScalar(std::uint8_t jetType, const ColumnDefinition& column, const BoundedBytes& bytes,
                   const Format& format) {
  std::size_t need = fixedSizeOf(jetType);
  if (need > 0 && bytes.size() < need)
    bytes.fail("a " + std::string(jetTypeName(jetType)) + " value of column '" +
               std::string(column.name.begin(), column.name.end()) + "' is " +
               std::to_string(bytes.size()) + " bytes long");
  auto b = bytes.all();
  switch (static_cast<JetType>(jetType)) {
    case JetType::Byte:
      return b[0];
    case JetType::Integer:
      return static_cast<std::int16_t>(readU16(b, 0));
    case JetType::Long:
    case JetType::Complex:
      return static_cast<std::int32_t>(readU32(b, 0));
    case JetType::BigInt:
      return static_cast<std::int64_t>(readU64(b));
    case JetType::Currency:
      return engine::Currency{static_cast<std::int64_t>(readU64(b))};
    case JetType::Single:
      return std::bit_cast<float>(readU32(b, 0));
    case JetType::Double:
      return std::bit_cast<double>(readU64(b));
    case JetType::DateTime:
      return engine::DateTime{std::bit_cast<double>(readU64(b))};
    case JetType::Guid: {
      engine::Guid g;
      std::memcpy(g.bytes.data(), b.data(), 16);
      return g;
    }
    case JetType::Decimal: {
      // Sign byte, then four 32-bit little-endian words, most significant first.
      engine::Decimal d;
      d.negative = (b[0] & 0x80) != 0;
      d.scale = column.scale;
      std::uint32_t words[4];
      for (int i = 0; i < 4; ++i) words[i] = readU32(b, 1 + 4 * i);
      if (words[0] != 0) bytes.fail("a decimal value exceeds 96 bits");
      d.high = words[1];
      d.low = (std::uint64_t{words[2]} << 32) | words[3];
      return d;
    }
    case JetType::DateTimeExtended: {
      engine::DateTimeExtended value;
      if (!parseDateTimeExtended(b, value)) bytes.fail("a Date/Time Extended value is malformed");
      return value;
    }
    case JetType::Text:
    case JetType::Memo:
      return decodeText(b, format);
    default:
      return engine::Bytes(b.begin(), b.end());
  }
}

}  // namespace engine
