#include "run/distinct_rows.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

namespace {

TEST(DistinctRows, CountsEachRowOnceAtEverySlotAndPage) {
  Run::DistinctRows rows;
  std::set<std::pair<std::uint32_t, int>> expected;
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    // Pages far apart and slots on both sides of 64, the last one included.
    const std::uint32_t page = random() % 3 == 0 ? 500000 + random() % 50 : random() % 400;
    const auto slot = static_cast<std::uint8_t>(random() % 2 ? random() % 64 : random() % 256);
    EXPECT_EQ(rows.insert(page, slot), expected.emplace(page, slot).second) << page << ":" << +slot;
  }
  EXPECT_EQ(rows.size(), static_cast<long>(expected.size()));
}

}  // namespace
