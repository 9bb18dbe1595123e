#pragma once

#include "engine/base/internal.h"

// Writes pieces handed over in offset order, those that follow each other
// gathered into one write of at most `kRunBytes`: a batch or its journal
// goes out in a few large writes, not block by block. `flush` writes what is
// left; nothing is written on destruction, so an error always reaches the
// caller.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/file.h"

namespace engine {

class RunWriter {
 public:
  static constexpr std::size_t kRunBytes = 512 * 1024;

  explicit RunWriter(File& file) : file_(file) {}
  void add(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (run_.empty() || offset != start_ + run_.size() || run_.size() >= kRunBytes) {
      flush();
      start_ = offset;
    }
    run_.insert(run_.end(), bytes.begin(), bytes.end());
  }
  void flush() {
    if (!run_.empty()) file_.write(start_, run_);
    run_.clear();
  }

 private:
  File& file_;
  std::uint64_t start_ = 0;
  std::vector<std::uint8_t> run_;
};

}  // namespace engine
