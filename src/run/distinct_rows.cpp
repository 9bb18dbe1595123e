#include "run/distinct_rows.h"

namespace Run {

bool DistinctRows::insert(std::uint32_t page, std::uint8_t slot) {
  std::uint64_t* word = nullptr;
  if (slot < 64) {
    if (page >= low_.size()) low_.resize(std::size_t{page} + 1);
    word = &low_[page];
  } else {
    word = &high_[page][(slot - 64) / 64];
  }
  const std::uint64_t bit = std::uint64_t{1} << (slot % 64);
  if (*word & bit) return false;
  *word |= bit;
  ++count_;
  return true;
}

}  // namespace Run
