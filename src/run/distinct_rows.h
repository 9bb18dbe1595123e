#pragma once

// A set of rows, by page and slot, for counting the records a run wrote
// (a record may be written more than once). One word a page covers the
// first 64 slots, where nearly every row of a 4 KB page lies; the few pages
// with more rows get the rest of their bits on the side. A 2 GB file costs
// about 4 MB, where a set would cost tens of bytes a record.

#include <array>
#include <cstdint>
#include <deque>
#include <unordered_map>

namespace Run {

class DistinctRows {
 public:
  // False when the row was already in the set.
  [[nodiscard]] bool insert(std::uint32_t page, std::uint8_t slot);
  // False when the row was not in the set.
  [[nodiscard]] bool erase(std::uint32_t page, std::uint8_t slot);
  long size() const { return count_; }

 private:
  // By page: slots 0 to 63. Grows in blocks, never copying the words it holds.
  std::deque<std::uint64_t> low_;
  std::unordered_map<std::uint32_t, std::array<std::uint64_t, 3>> high_;  // slots 64 to 255
  // The word holding the row's bit, made when `make`; null otherwise.
  std::uint64_t* word(std::uint32_t page, std::uint8_t slot, bool make);
  long count_ = 0;
};

}  // namespace Run
