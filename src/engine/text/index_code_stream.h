#pragma once

#include "engine/base/internal.h"

// The compact form of the index key code tables (built by
// tests/index-codes from the published codes, read back by the key
// builder): how each UTF-16 code unit enters a text index key.
//
// The stream holds one record per code unit, from U+0000 up. An op byte
// below 0x40 starts a literal record: the kind, then a byte with the inline
// length (high nibble) and the extra length (low nibble), the inline bytes,
// the extra bytes and one more byte (`Record::other`). 0x40 | (n − 1) stands
// for n copies of the previous record; 0x80 | (n − 1) for n records each
// like the one before with its inline bytes, read as a big-endian number,
// one higher.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace engine::index_code_stream {

enum class Kind : std::uint8_t {
  Ignored,               // adds nothing to the key
  Simple,                // inline bytes only
  International,         // inline bytes and extra (accent) bytes
  Unprintable,           // only an unprintable record, `other` its code
  ExtraModifier,         // adds `other` to the last extra byte
  InternationalFlagged,  // inline, extra, and `other` a flag code
  Significant,           // inline bytes; counted between accents (General 97)
  HighSurrogate,         // inline bytes computed from the unit
  LowSurrogate,
};

// The two flag codes of flagged international characters.
inline constexpr std::uint8_t kFlagCodeOne = 0x02;
inline constexpr std::uint8_t kFlagCodeTwo = 0x03;

inline constexpr std::uint8_t kRepeatRun = 0x40;
inline constexpr std::uint8_t kCountingRun = 0x80;
inline constexpr std::size_t kMaxRun = 0x40;

struct Record {
  Kind kind = Kind::Ignored;
  std::uint8_t inlineLength = 0;
  std::uint8_t extraLength = 0;
  std::uint8_t other = 0;
  std::array<std::uint8_t, 8> inlineBytes{};
  std::array<std::uint8_t, 3> extraBytes{};

  bool operator==(const Record&) const = default;
};

// The record after `r` in a counting run, or nothing when `r` has no inline
// bytes or they would overflow.
[[nodiscard]] std::optional<Record> nextInRun(const Record& r);

// The records of a stream; nothing when it is malformed or does not hold
// exactly `units` records.
[[nodiscard]] std::optional<std::vector<Record>> decode(std::span<const std::uint8_t> stream,
                                                        std::size_t units);

}  // namespace engine::index_code_stream
