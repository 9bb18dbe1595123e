#pragma once

// Little helpers to put integers into byte buffers in the file's byte order
// (little-endian, except index entries, which are big-endian).

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace engine::create {

using Bytes = std::vector<std::uint8_t>;

inline void putU16(std::span<std::uint8_t> to, std::size_t at, std::uint16_t v) {
  to[at] = static_cast<std::uint8_t>(v);
  to[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void putU32(std::span<std::uint8_t> to, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) to[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void putU64(std::span<std::uint8_t> to, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) to[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void putF64(std::span<std::uint8_t> to, std::size_t at, double v) {
  putU64(to, at, std::bit_cast<std::uint64_t>(v));
}

inline std::uint16_t getU16(std::span<const std::uint8_t> from, std::size_t at) {
  return static_cast<std::uint16_t>(from[at] | (from[at + 1] << 8));
}

inline std::uint32_t getU32(std::span<const std::uint8_t> from, std::size_t at) {
  return static_cast<std::uint32_t>(from[at]) | (static_cast<std::uint32_t>(from[at + 1]) << 8) |
         (static_cast<std::uint32_t>(from[at + 2]) << 16) |
         (static_cast<std::uint32_t>(from[at + 3]) << 24);
}

inline void appendU8(Bytes& to, std::uint8_t v) { to.push_back(v); }

inline void appendU16(Bytes& to, std::uint16_t v) {
  to.push_back(static_cast<std::uint8_t>(v));
  to.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void appendU32(Bytes& to, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) to.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void appendBytes(Bytes& to, std::span<const std::uint8_t> bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

// A row pointer as usage maps, overflow rows and long values store it: the row
// number in the low byte, the page number in the upper three.
inline std::uint32_t rowPointer(std::uint32_t page, std::uint8_t row) { return (page << 8) | row; }

}  // namespace engine::create
