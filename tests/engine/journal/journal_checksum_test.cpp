// The journal's checksum tells a block from the same block with any bit
// flipped, any two bits flipped, or a sector torn to zeros or to another
// block's bytes.

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "engine/journal/rollback_journal.h"

namespace {

std::vector<std::uint8_t> block(std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(2048);
  std::uint32_t x = 0x9e3779b9u * (seed + 1u);
  for (auto& b : bytes) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return bytes;
}

TEST(JournalChecksum, EveryFlippedBitChangesIt) {
  const auto original = block(1);
  const std::uint64_t sum = engine::journalChecksum(original);
  std::set<std::uint64_t> seen{sum};
  for (std::size_t bit = 0; bit < original.size() * 8; ++bit) {
    auto changed = original;
    changed[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    EXPECT_TRUE(seen.insert(engine::journalChecksum(changed)).second) << "bit " << bit;
  }
}

TEST(JournalChecksum, PairsOfFlippedTopBitsChangeIt) {
  // The top bit of each 8-byte word: differences there must not cancel out.
  const auto original = block(2);
  const std::uint64_t sum = engine::journalChecksum(original);
  for (std::size_t a = 7; a < original.size(); a += 8)
    for (std::size_t b = a + 8; b < original.size(); b += 8 * 13) {
      auto changed = original;
      changed[a] ^= 0x80;
      changed[b] ^= 0x80;
      EXPECT_NE(engine::journalChecksum(changed), sum) << a << ", " << b;
    }
}

TEST(JournalChecksum, TornSectorsAndLengthsChangeIt) {
  const auto original = block(3);
  const auto other = block(4);
  const std::uint64_t sum = engine::journalChecksum(original);
  for (std::size_t sector = 0; sector < 4; ++sector) {
    auto zeroed = original, foreign = original;
    std::fill_n(zeroed.begin() + sector * 512, 512, 0);
    std::copy_n(other.begin() + sector * 512, 512, foreign.begin() + sector * 512);
    EXPECT_NE(engine::journalChecksum(zeroed), sum);
    EXPECT_NE(engine::journalChecksum(foreign), sum);
  }
  const std::vector<std::uint8_t> zeros(2048, 0);
  EXPECT_NE(engine::journalChecksum(std::span(zeros).first(2047)), engine::journalChecksum(zeros));
  EXPECT_NE(engine::journalChecksum(std::span(zeros).first(9)),
            engine::journalChecksum(std::span(zeros).first(8)));
}

}  // namespace
