#pragma once

#include "engine/base/internal.h"

// Integers in the file's byte order (little-endian), read from and put into
// byte buffers. Reads here are unchecked: the caller has bounded the span
// (BoundedBytes is the checked reader for pages from a file).

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace engine {

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t readU16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t readU32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}
inline std::uint64_t readU64(std::span<const std::uint8_t> b, std::size_t at) {
  return readU32(b, at) | (std::uint64_t{readU32(b, at + 4)} << 32);
}

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

// Appending grows the buffer once and writes in place (the same as
// push_back/insert, in a form GCC's bounds analysis follows).
inline void appendU16(Bytes& to, std::uint16_t v) {
  to.resize(to.size() + 2);
  putU16(to, to.size() - 2, v);
}
inline void appendU32(Bytes& to, std::uint32_t v) {
  to.resize(to.size() + 4);
  putU32(to, to.size() - 4, v);
}
inline void appendU64(Bytes& to, std::uint64_t v) {
  to.resize(to.size() + 8);
  putU64(to, to.size() - 8, v);
}
inline void appendBytes(Bytes& to, std::span<const std::uint8_t> bytes) {
  const std::size_t at = to.size();
  to.resize(at + bytes.size());
  if (!bytes.empty()) std::memcpy(to.data() + at, bytes.data(), bytes.size());
}

// Byte strings in lexicographic order, as index entries sort (for sets and
// sorts of Bytes, written so GCC's bounds analysis follows the compare).
struct BytesLess {
  bool operator()(const Bytes& a, const Bytes& b) const {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i)
      if (a[i] != b[i]) return a[i] < b[i];
    return a.size() < b.size();
  }
};

// A row pointer as usage maps, overflow rows and long values store it: the row
// number in the low byte, the page number in the upper three.
constexpr std::uint32_t rowPointer(std::uint32_t page, std::uint8_t row) {
  return (page << 8) | row;
}

}  // namespace engine
