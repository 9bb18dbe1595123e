#include "engine/text/text_key.h"

#include <cstdlib>
#include <vector>

#include "engine/format/layout_header.h"
#include "engine/text/index_code_stream.h"
#include "engine/text/index_code_tables.h"

namespace engine {

namespace {

namespace ics = index_code_stream;
using ics::Kind;
using ics::Record;

constexpr std::size_t kMaxKeyUnits = 255;
constexpr std::uint8_t kEndOfText = 0x01;
constexpr std::uint8_t kEndOfKey = 0x00;
constexpr std::uint8_t kNoExtra = 0x02;  // extra-part placeholder of a character without one
constexpr std::uint8_t kSurrogateExtra = 0x3F;
constexpr std::uint8_t kUnprintableMark = 0x06;
constexpr std::uint16_t kUnprintableStart = 7, kUnprintableStep = 4, kUnprintableFlag = 0x8000;
constexpr std::uint8_t kFlagsStart = 0x80;
constexpr std::uint8_t kFlagsEnd[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr std::uint8_t kFlagsBeforeUnprintables = 0xFF;

std::vector<Record> load(std::span<const std::uint8_t> stream, std::size_t units) {
  // The tables are compiled in; a stream that does not decode is a build fault.
  auto records = ics::decode(stream, units);
  if (!records) std::abort();
  return std::move(*records);
}

const std::vector<Record>& table(TextSortOrder order) {
  static const std::vector<Record> general97 = load(index_code_tables::general97(), 0x100);
  static const std::vector<Record> legacy = load(index_code_tables::generalLegacy(), 0x10000);
  static const std::vector<Record> general = load(index_code_tables::general(), 0x10000);
  switch (order) {
    case TextSortOrder::General97:
      return general97;
    case TextSortOrder::GeneralLegacy:
      return legacy;
    case TextSortOrder::General:
      break;
  }
  return general;
}

const Record& general97Code(char16_t unit) {
  static const Record ignored{};
  const auto& codes = table(TextSortOrder::General97);
  if (unit < 0x100) return codes[unit];
  const auto pairs = index_code_tables::general97Mappings();
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
    if (pairs[i] == unit) return codes[pairs[i + 1]];
  return ignored;
}

// Surrogate halves: their inline bytes are their place among the code points.
void appendSurrogateInline(Bytes& out, char16_t unit) {
  int value;
  if (unit < 0xDC00) {
    value = unit - 10238;
  } else {
    const int offset = (unit - 0xDC00) % 1024;
    const int shift = offset < 8     ? 9992
                      : offset < 262 ? 9990
                      : offset < 516 ? 9988
                      : offset < 770 ? 9986
                                     : 9984;
    value = unit - shift;
  }
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

std::u16string_view keyedPart(std::u16string_view text) {
  if (text.size() > kMaxKeyUnits) text = text.substr(0, kMaxKeyUnits);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

void invert(Bytes& bytes) {
  for (auto& b : bytes) b = static_cast<std::uint8_t>(~b);
}

// Jet 3: inline bytes, then the accents as a stream of nibbles.
Bytes general97Key(std::u16string_view text) {
  Bytes key;
  std::vector<std::uint8_t> nibbles;
  std::size_t significant = 0;
  for (char16_t unit : text) {
    const Record& code = general97Code(unit);
    key.insert(key.end(), code.inlineBytes.begin(), code.inlineBytes.begin() + code.inlineLength);
    if (code.kind == Kind::Significant) {
      ++significant;
    } else if (code.kind == Kind::International) {
      if (nibbles.empty()) nibbles.push_back(0);
      nibbles.insert(nibbles.end(), significant, kNoExtra);
      nibbles.push_back(code.extraBytes[0] & 0x0F);
      significant = 0;
    }
  }
  if (nibbles.empty()) {
    key.push_back(kEndOfKey);
    return key;
  }
  nibbles.push_back(0);
  for (std::size_t i = 0; i < nibbles.size(); i += 2)
    key.push_back(
        static_cast<std::uint8_t>(nibbles[i] << 4 | (i + 1 < nibbles.size() ? nibbles[i + 1] : 0)));
  return key;
}

// General Legacy and General: inline bytes, the extra (accent) part, the
// flag codes and the unprintable records.
Bytes generalKey(const std::vector<Record>& codes, std::u16string_view text, bool ascending) {
  Bytes key, extras, unprintables, flags;
  bool extrasStarted = false;
  std::size_t extraCharacters = 0;  // characters the extra part accounts for
  std::size_t extraPrefix = 0;      // a modifier that came before any extra byte
  std::size_t position = 0;         // characters with inline bytes so far
  for (char16_t unit : text) {
    const Record& code = codes[unit];
    const std::size_t at = position;
    const bool surrogate = code.kind == Kind::HighSurrogate || code.kind == Kind::LowSurrogate;
    if (surrogate) {
      appendSurrogateInline(key, unit);
      ++position;
    } else if (code.inlineLength) {
      key.insert(key.end(), code.inlineBytes.begin(), code.inlineBytes.begin() + code.inlineLength);
      ++position;
    }
    const std::uint8_t* extra = surrogate ? &kSurrogateExtra : code.extraBytes.data();
    const std::size_t extraLength = surrogate ? 1 : code.extraLength;
    const std::uint8_t modifier = code.kind == Kind::ExtraModifier ? code.other : 0;
    if (extraLength || modifier) {
      extrasStarted = true;
      if (extraCharacters < at) {
        extras.insert(extras.end(), at - extraCharacters, kNoExtra);
        extraCharacters = at;
      }
      if (extraLength) {
        extras.insert(extras.end(), extra, extra + extraLength);
        ++extraCharacters;
      } else if (!extras.empty()) {
        extras.back() = static_cast<std::uint8_t>(extras.back() + modifier);
      } else {
        extras.push_back(modifier);
        extraPrefix = 1;
      }
    }
    if (code.kind == Kind::Unprintable) {
      // Its position counts the extra part as it would stand, less a leading modifier.
      const std::size_t where =
          extrasStarted ? extras.size() + (at - extraCharacters) - extraPrefix : at;
      const auto mark = static_cast<std::uint16_t>((kUnprintableStart + kUnprintableStep * where) |
                                                   kUnprintableFlag);
      unprintables.push_back(static_cast<std::uint8_t>(mark >> 8));
      unprintables.push_back(static_cast<std::uint8_t>(mark));
      unprintables.push_back(kUnprintableMark);
      unprintables.push_back(code.other);
    }
    if (code.kind == Kind::InternationalFlagged) flags.push_back(code.other);
  }
  key.push_back(kEndOfText);
  while (!extras.empty() && extras.back() <= kNoExtra) extras.pop_back();
  appendBytes(key, extras);
  if (!flags.empty() || !unprintables.empty()) {
    key.push_back(kEndOfText);
    key.push_back(kEndOfText);
    if (!flags.empty()) {
      // Trailing second codes say nothing; the rest go three to a byte.
      while (!flags.empty() && flags.back() == ics::kFlagCodeTwo) flags.pop_back();
      for (std::size_t i = 0; i < flags.size(); i += 3) {
        std::uint8_t packed = kFlagsStart;
        for (std::size_t k = 0; k < 3 && i + k < flags.size(); ++k)
          packed = static_cast<std::uint8_t>(packed | flags[i + k] << (2 * (2 - k)));
        key.push_back(packed);
      }
      key.insert(key.end(), std::begin(kFlagsEnd), std::end(kFlagsEnd));
      if (!unprintables.empty()) key.push_back(kFlagsBeforeUnprintables);
    }
    if (!unprintables.empty()) {
      key.push_back(kEndOfText);
      appendBytes(key, unprintables);
    }
  }
  if (!ascending) {
    key.push_back(kEndOfKey);
    invert(key);
  }
  key.push_back(kEndOfKey);
  return key;
}

}  // namespace

std::optional<TextSortOrder> textSortOrder(bool jet3, std::uint16_t lcid, std::uint8_t version) {
  if (lcid != layout::header::kSortOrderGeneral) return std::nullopt;
  if (jet3) return TextSortOrder::General97;
  if (version == 0) return TextSortOrder::GeneralLegacy;
  if (version == 1) return TextSortOrder::General;
  return std::nullopt;
}

Bytes textIndexKey(TextSortOrder order, std::u16string_view text, bool ascending) {
  text = keyedPart(text);
  if (order == TextSortOrder::General97) {
    Bytes key = general97Key(text);
    if (!ascending) invert(key);
    return key;
  }
  return generalKey(table(order), text, ascending);
}

}  // namespace engine
