#pragma once

// A file that counts the reads and writes reaching it, to show what a cache,
// a column selection or a run of writes saves.

#include <memory>

#include "engine/file.h"

namespace enginetest {

class CallCountingFile final : public engine::File {
 public:
  explicit CallCountingFile(std::unique_ptr<engine::File> inner) : inner_(std::move(inner)) {}
  const std::string& path() const override { return inner_->path(); }
  std::uint64_t size() const override { return inner_->size(); }
  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    ++reads;
    inner_->read(offset, out);
  }
  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    ++writes;
    inner_->write(offset, data);
  }
  void sync() override { inner_->sync(); }
  void truncate(std::uint64_t size) override { inner_->truncate(size); }
  int reads = 0;
  int writes = 0;

 private:
  std::unique_ptr<engine::File> inner_;
};

}  // namespace enginetest
