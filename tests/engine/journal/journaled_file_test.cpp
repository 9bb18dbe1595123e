// Reads through a journaled file mix the batch's changed blocks with the
// file's own bytes, and fetch runs of unchanged blocks in one read.

#include "engine/journal/journaled_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <numeric>

#include "engine/io/file_system.h"
#include "support/shared_dir.h"

namespace {

using engine::JournaledFile;

class CountingFile final : public engine::File {
 public:
  explicit CountingFile(std::unique_ptr<engine::File> inner) : inner_(std::move(inner)) {}
  const std::string& path() const override { return inner_->path(); }
  std::uint64_t size() const override { return inner_->size(); }
  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    ++reads;
    inner_->read(offset, out);
  }
  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    inner_->write(offset, data);
  }
  void sync() override { inner_->sync(); }
  void truncate(std::uint64_t size) override { inner_->truncate(size); }
  int reads = 0;

 private:
  std::unique_ptr<engine::File> inner_;
};

TEST(JournaledFileReads, ChangedBlocksAndRunsOfUnchangedOnes) {
  testsupport::TempDir dir;
  const auto path = (dir.path() / "blocks.bin").string();
  constexpr std::size_t kBlocks = 6;
  std::vector<std::uint8_t> original(kBlocks * JournaledFile::kBlockSize);
  std::iota(original.begin(), original.end(), std::uint8_t{0});
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(original.data()), std::streamsize(original.size()));

  auto counting = std::make_unique<CountingFile>(engine::openDiskFile(path, true));
  CountingFile& base = *counting;
  JournaledFile file(engine::diskFileSystem(), std::move(counting), path, UINT64_MAX);
  // Change the middle of blocks 1 and 4.
  std::vector<std::uint8_t> expected = original;
  for (std::size_t block : {1u, 4u}) {
    const std::vector<std::uint8_t> change(100, std::uint8_t(0xA0 + block));
    const std::size_t at = block * JournaledFile::kBlockSize + 500;
    file.write(at, change);
    std::copy(change.begin(), change.end(), expected.begin() + std::ptrdiff_t(at));
  }

  base.reads = 0;
  std::vector<std::uint8_t> all(original.size());
  file.read(0, all);
  EXPECT_EQ(all, expected);
  EXPECT_EQ(base.reads, 3) << "blocks 0, 2-3 and 5 each in one read";

  // A read that starts and ends inside blocks.
  std::vector<std::uint8_t> part(3 * JournaledFile::kBlockSize);
  file.read(JournaledFile::kBlockSize + 300, part);
  EXPECT_TRUE(std::equal(part.begin(), part.end(),
                         expected.begin() + std::ptrdiff_t(JournaledFile::kBlockSize + 300)));
}

}  // namespace
