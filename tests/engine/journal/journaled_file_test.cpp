// Reads through a journaled file mix the batch's changed blocks with the
// file's own bytes, and fetch runs of unchanged blocks in one read; a commit
// of scattered changes reads and writes them in few calls.

#include "engine/journal/journaled_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>

#include "engine/file_system.h"
#include "engine/journal/rollback_journal.h"
#include "engine/support/call_counting_file.h"
#include "support/shared_dir.h"

namespace {

using engine::JournaledFile;

constexpr std::size_t kBlock = JournaledFile::kBlockSize;

// A file of `blocks` blocks of counting bytes on the disk, journaled, with
// the calls reaching it counted and the bytes it should read kept.
class BlockFile {
 public:
  explicit BlockFile(std::size_t blocks) : path_((dir_.path() / "blocks.bin").string()) {
    expected.resize(blocks * kBlock);
    std::iota(expected.begin(), expected.end(), std::uint8_t{7});
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(expected.data()), std::streamsize(expected.size()));
    auto counting =
        std::make_unique<enginetest::CallCountingFile>(engine::openDiskFile(path_, true));
    base = counting.get();
    file = std::make_unique<JournaledFile>(engine::diskFileSystem(), std::move(counting), path_,
                                           UINT64_MAX);
  }

  // Writes `length` bytes of one value at `at` in `block`.
  void change(std::size_t block, std::size_t at, std::size_t length) {
    const std::vector<std::uint8_t> bytes(length, std::uint8_t(0xA0 + block));
    const std::size_t offset = block * kBlock + at;
    file->write(offset, bytes);
    std::copy(bytes.begin(), bytes.end(), expected.begin() + std::ptrdiff_t(offset));
  }

  std::string journalPath() const { return engine::journalPathFor(path_); }

  std::vector<std::uint8_t> onDisk() const {
    std::ifstream in(path_, std::ios::binary);
    std::vector<std::uint8_t> bytes(std::filesystem::file_size(path_));
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    return bytes;
  }

  std::vector<std::uint8_t> expected;
  enginetest::CallCountingFile* base = nullptr;
  std::unique_ptr<JournaledFile> file;

 private:
  testsupport::TempDir dir_;
  std::string path_;
};

TEST(JournaledFileReads, ChangedBlocksAndRunsOfUnchangedOnes) {
  BlockFile blocks(6);
  // Change the middle of blocks 1 and 4.
  for (std::size_t block : {1u, 4u}) blocks.change(block, 500, 100);

  blocks.base->reads = 0;
  std::vector<std::uint8_t> all(blocks.expected.size());
  blocks.file->read(0, all);
  EXPECT_EQ(all, blocks.expected);
  EXPECT_EQ(blocks.base->reads, 3) << "blocks 0, 2-3 and 5 each in one read";

  // A read that starts and ends inside blocks.
  std::vector<std::uint8_t> part(3 * kBlock);
  blocks.file->read(kBlock + 300, part);
  EXPECT_TRUE(
      std::equal(part.begin(), part.end(), blocks.expected.begin() + std::ptrdiff_t(kBlock + 300)));
}

TEST(JournaledFileCommits, ChangesAcrossShortGapsGoInOneRunAndStayAsWritten) {
  BlockFile blocks(40);
  // Blocks 2, 4 and 7 are one or two unchanged blocks apart: one write from
  // 2 to 7, the unchanged blocks as they are. Block 30 lies far from them: a
  // write of its own.
  for (std::size_t block : {2u, 4u, 7u, 30u}) blocks.change(block, 100, kBlock / 2);
  blocks.base->reads = blocks.base->writes = 0;
  blocks.file->commit();
  EXPECT_EQ(blocks.base->writes, 2) << "blocks 2 to 7 in one write, block 30 in another";
  EXPECT_EQ(blocks.base->reads, 4)
      << "the originals of 2 to 7 in one read, of 30 in another, the first block, which the "
         "journal's header names, and 2 to 7 again as they stand, to be written whole";

  std::vector<std::uint8_t> all(blocks.expected.size());
  blocks.file->read(0, all);
  EXPECT_EQ(all, blocks.expected);
  EXPECT_EQ(blocks.onDisk(), blocks.expected) << "the unchanged blocks between keep their bytes";
}

// A transaction larger than its batch spills into the file: a block is
// journaled whole once, and changed again it adds only the checksums of its
// newer bytes.
TEST(JournaledFileTransactions, ABlockSpilledTwiceIsJournaledOnce) {
  BlockFile blocks(20);
  blocks.change(2, 100, 50);
  blocks.file->spill();
  EXPECT_EQ(blocks.onDisk(), blocks.expected) << "the spill wrote the batch";
  EXPECT_EQ(blocks.file->changedBlocks(), 0u);
  EXPECT_TRUE(blocks.file->hasChanges()) << "the transaction is still open";
  const auto journalAfterFirst = std::filesystem::file_size(blocks.journalPath());

  blocks.change(2, 700, 50);
  blocks.change(12, 0, 10);
  blocks.file->spill();
  const auto grewBy = std::filesystem::file_size(blocks.journalPath()) - journalAfterFirst;
  const auto firstRecord = journalAfterFirst - engine::kJournalSectorSize;
  EXPECT_GT(grewBy, firstRecord) << "block 12 is journaled whole";
  EXPECT_LT(grewBy, firstRecord + 100) << "block 2 only by the checksums of its newer bytes";

  blocks.file->commit();
  EXPECT_FALSE(std::filesystem::exists(blocks.journalPath()));
  EXPECT_FALSE(blocks.file->hasChanges());
  EXPECT_EQ(blocks.onDisk(), blocks.expected);
}

TEST(JournaledFileTransactions, AbandoningPutsBackWhatTheSpillsWrote) {
  BlockFile blocks(8);
  const std::vector<std::uint8_t> original = blocks.expected;
  blocks.change(1, 0, 300);
  blocks.file->spill();
  blocks.change(1, 1000, 300);
  blocks.change(5, 0, kBlock);
  blocks.file->write(8 * kBlock, std::vector<std::uint8_t>(2 * kBlock, 0xEE));  // grows
  blocks.file->spill();
  blocks.change(6, 10, 10);  // in memory only
  ASSERT_NE(blocks.onDisk(), original);

  blocks.file->abandon();
  EXPECT_FALSE(std::filesystem::exists(blocks.journalPath()));
  EXPECT_FALSE(blocks.file->hasChanges());
  EXPECT_EQ(blocks.file->size(), original.size());
  blocks.expected = original;
  EXPECT_EQ(blocks.onDisk(), original) << "the originals came back and the growth was cut off";
  std::vector<std::uint8_t> all(original.size());
  blocks.file->read(0, all);
  EXPECT_EQ(all, original);
}

}  // namespace

// An update that fails its read-back is undone block by block: the blocks
// the batch changed before it hold their earlier bytes again, those it was
// first to change leave the batch, and the file's length is as it was.
TEST(JournaledFileUpdates, AnUndoneUpdateLeavesTheBatchAsBeforeIt) {
  BlockFile blocks(4);
  blocks.change(1, 100, 50);
  const std::vector<std::uint8_t> beforeUpdate = blocks.expected;
  const std::size_t changedBefore = blocks.file->changedBlocks();

  blocks.file->beginUpdate();
  blocks.change(1, 120, 900);   // a block the batch changed already
  blocks.change(1, 1500, 10);   // the same block again
  blocks.change(3, 0, kBlock);  // a block it is the first to change
  const std::vector<std::uint8_t> grown(2 * kBlock, 0xEE);
  blocks.file->write(4 * kBlock, grown);  // and past the end
  blocks.file->undoUpdate();

  EXPECT_EQ(blocks.file->changedBlocks(), changedBefore);
  EXPECT_EQ(blocks.file->size(), beforeUpdate.size());
  std::vector<std::uint8_t> all(beforeUpdate.size());
  blocks.file->read(0, all);
  EXPECT_EQ(all, beforeUpdate);

  // The next update keeps what it writes.
  blocks.expected = beforeUpdate;
  blocks.file->beginUpdate();
  blocks.change(2, 0, 10);
  blocks.file->endUpdate();
  blocks.file->read(0, all);
  EXPECT_EQ(all, blocks.expected);
}
