#include "run/distinct_rows.h"

namespace Run {

std::uint64_t* DistinctRows::word(std::uint32_t page, std::uint8_t slot, bool make) {
  if (slot < 64) {
    if (page >= low_.size()) {
      if (!make) return nullptr;
      low_.resize(std::size_t{page} + 1);
    }
    return &low_[page];
  }
  auto found = high_.find(page);
  if (found == high_.end()) {
    if (!make) return nullptr;
    found = high_.emplace(page, std::array<std::uint64_t, 3>{}).first;
  }
  return &found->second[(slot - 64) / 64];
}

bool DistinctRows::insert(std::uint32_t page, std::uint8_t slot) {
  std::uint64_t* bits = word(page, slot, true);
  const std::uint64_t bit = std::uint64_t{1} << (slot % 64);
  if (*bits & bit) return false;
  *bits |= bit;
  ++count_;
  return true;
}

bool DistinctRows::erase(std::uint32_t page, std::uint8_t slot) {
  std::uint64_t* bits = word(page, slot, false);
  const std::uint64_t bit = std::uint64_t{1} << (slot % 64);
  if (!bits || !(*bits & bit)) return false;
  *bits &= ~bit;
  --count_;
  return true;
}

}  // namespace Run
