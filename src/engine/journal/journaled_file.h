#pragma once

#include "engine/base/internal.h"

// A database file changed in transactions, through the rollback journal
// (rollback_journal.h): readers of this file (the pager) see the changes at
// once; the file on disk sees all of a transaction or none of it. Changes
// gather in memory as a batch; a transaction that outgrows the memory it may
// use spills its batches into the file, each block's original bytes
// journaled once however often the transaction changes it. One update can also be
// taken back on its own (an update that fails half-way leaves no trace).

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/file.h"
#include "engine/file_system.h"
#include "engine/journal/rollback_journal.h"

namespace engine {

class JournaledFile final : public File {
 public:
  // Changes are tracked in blocks of this size (both page sizes are multiples).
  static constexpr std::uint32_t kBlockSize = 2048;

  // `realPath` is the database's real path (the journal is named after it);
  // the file never grows past `sizeLimit` bytes.
  JournaledFile(FileSystem& fs, std::unique_ptr<File> base, std::string realPath,
                std::uint64_t sizeLimit);

  const std::string& path() const override { return base_->path(); }
  std::uint64_t size() const override { return size_; }
  void read(std::uint64_t offset, std::span<std::uint8_t> out) override;
  // Held in memory until commit(). Error::databaseFull, with nothing
  // changed, when the file would grow past its limit.
  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override;
  // Durability comes with commit(); nothing to do here.
  void sync() override {}

  // Whether a transaction is open: changes in memory or spilled.
  [[nodiscard]] bool hasChanges() const { return !overlay_.empty() || journal_; }
  // Blocks of the batch in memory.
  std::size_t changedBlocks() const { return overlay_.size(); }
  // Blocks whose originals the transaction's journal holds.
  std::size_t journaledBlocks() const { return journaledBlocks_; }

  // Journals the original bytes of the batch's blocks that the transaction
  // had not changed yet (and the new checksums of those it had), seals the
  // journal, and writes the batch into the file without syncing it: the
  // batch's memory is free, and the transaction stays open. On a failure the
  // whole transaction is undone, as by abandon(), and the error rethrown.
  void spill();
  // Spills what is left, syncs the file, removes the journal: that removal
  // is the commit point (where the folder does not allow it, the journal's
  // seal is taken back instead, and the failure reported). On a failure
  // before it the file is put back as it was before the transaction (from
  // the journal, which stays until then), and the error rethrown. After it
  // nothing is undone: a failing flush of the folder is reported and the
  // transaction stands.
  void commit();
  // Undoes the transaction, the batches it spilled included, and reads the
  // file's length again (another writer may have changed the file while no
  // lock was held).
  void abandon();

  // One update inside the batch: undoUpdate() takes back what was written
  // since beginUpdate().
  void beginUpdate();
  void undoUpdate();
  void endUpdate();

 private:
  // The overlay's copy of the block at `offset`; `whole` when the caller
  // overwrites all of it.
  std::vector<std::uint8_t>& block(std::uint64_t offset, bool whole);
  // A block's buffer, of kBlockSize bytes as they come: one an earlier
  // batch gave back when there is one, so that a batch does not ask for
  // (and fault in) its memory afresh.
  std::vector<std::uint8_t> newBlock();
  // Empties the overlay, keeping its buffers for the next batch.
  void clearOverlay();
  // Opens the transaction's journal.
  void beginJournal();
  // Journals the batch, syncs and seals the journal.
  void journalBatch();
  // Writes the batch into the file (unsynced).
  void writeOverlay();
  bool journaled(std::uint64_t offset) const;
  // Puts the file back as it was before the transaction, from its journal.
  void rollBack(const std::string& journalPath);
  // Forgets the transaction and reads the file's length again.
  void endTransaction();

  FileSystem& fs_;
  std::unique_ptr<File> base_;
  std::string realPath_;
  std::uint64_t sizeLimit_;
  // The file's length on disk, read again when a transaction ends: nobody
  // else changes it while one is open.
  std::uint64_t baseSize_;
  std::uint64_t size_;
  std::map<std::uint64_t, std::vector<std::uint8_t>> overlay_;  // block offset -> bytes
  std::vector<std::vector<std::uint8_t>> spareBlocks_;          // see newBlock()
  // The transaction's journal, from its first spill or commit on.
  std::unique_ptr<JournalWriter> journal_;
  std::uint64_t originalSize_ = 0;  // the file's length when the transaction began
  std::vector<bool> journaled_;     // by block number: the original is in the journal
  std::size_t journaledBlocks_ = 0;
  bool journalBegun_ = false;
  bool fileWritten_ = false;  // some of the transaction reached the file
  bool inUpdate_ = false;
  // What the update in hand found in each block it changed, to undo it: the
  // blocks it was the first to change hold no bytes here. Kept in buffers
  // reused from one update to the next, since every UPDATE makes one.
  struct SavedBlock {
    std::uint64_t offset;
    std::optional<std::size_t> bytesAt;  // in savedBytes_; none: a new block
  };
  std::vector<SavedBlock> saved_;
  std::unordered_set<std::uint64_t> savedOffsets_;  // those of saved_
  std::vector<std::uint8_t> savedBytes_;
  std::uint64_t savedSize_ = 0;
  // Set when a failed commit could not be undone: the file on disk then
  // needs its journal played back by the next open.
  bool broken_ = false;
};

}  // namespace engine
