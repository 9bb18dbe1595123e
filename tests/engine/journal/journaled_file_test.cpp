// Reads through a journaled file mix the batch's changed blocks with the
// file's own bytes, and fetch runs of unchanged blocks in one read.

#include "engine/journal/journaled_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <numeric>

#include "engine/file_system.h"
#include "engine/support/read_counting_file.h"
#include "support/shared_dir.h"

namespace {

using engine::JournaledFile;

TEST(JournaledFileReads, ChangedBlocksAndRunsOfUnchangedOnes) {
  testsupport::TempDir dir;
  const auto path = (dir.path() / "blocks.bin").string();
  constexpr std::size_t kBlocks = 6;
  std::vector<std::uint8_t> original(kBlocks * JournaledFile::kBlockSize);
  std::iota(original.begin(), original.end(), std::uint8_t{0});
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(original.data()), std::streamsize(original.size()));

  auto counting = std::make_unique<enginetest::ReadCountingFile>(engine::openDiskFile(path, true));
  enginetest::ReadCountingFile& base = *counting;
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
