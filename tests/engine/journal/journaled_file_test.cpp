// Reads through a journaled file mix the batch's changed blocks with the
// file's own bytes, and fetch runs of unchanged blocks in one read; a commit
// of scattered changes reads and writes them in few calls.

#include "engine/journal/journaled_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <numeric>

#include "engine/file_system.h"
#include "engine/support/call_counting_file.h"
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

  auto counting = std::make_unique<enginetest::CallCountingFile>(engine::openDiskFile(path, true));
  enginetest::CallCountingFile& base = *counting;
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

TEST(JournaledFileCommits, ChangesAcrossShortGapsGoInOneRunAndStayAsWritten) {
  testsupport::TempDir dir;
  const auto path = (dir.path() / "blocks.bin").string();
  constexpr std::size_t kBlocks = 40;
  constexpr std::size_t kBlock = JournaledFile::kBlockSize;
  std::vector<std::uint8_t> original(kBlocks * kBlock);
  std::iota(original.begin(), original.end(), std::uint8_t{7});
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(original.data()), std::streamsize(original.size()));

  auto counting = std::make_unique<enginetest::CallCountingFile>(engine::openDiskFile(path, true));
  enginetest::CallCountingFile& base = *counting;
  JournaledFile file(engine::diskFileSystem(), std::move(counting), path, UINT64_MAX);
  // Blocks 2, 4 and 7 are one or two unchanged blocks apart: one run from 2
  // to 7. Block 30 lies far from them: a run of its own.
  std::vector<std::uint8_t> expected = original;
  for (std::size_t block : {2u, 4u, 7u, 30u}) {
    const std::vector<std::uint8_t> change(kBlock / 2, std::uint8_t(0xC0 + block));
    file.write(block * kBlock + 100, change);
    std::copy(change.begin(), change.end(),
              expected.begin() + std::ptrdiff_t(block * kBlock + 100));
  }
  base.reads = base.writes = 0;
  file.commit();
  EXPECT_EQ(base.writes, 2) << "blocks 2 to 7 in one write, block 30 in another";
  EXPECT_EQ(base.reads, 3)
      << "the originals of 2 to 7 in one read, of 30 in another, and the first block, which "
         "the journal's header names";

  std::vector<std::uint8_t> all(original.size());
  file.read(0, all);
  EXPECT_EQ(all, expected);
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> onDisk(original.size());
  in.read(reinterpret_cast<char*>(onDisk.data()), std::streamsize(onDisk.size()));
  EXPECT_EQ(onDisk, expected) << "the unchanged blocks between keep their bytes";
}

}  // namespace
