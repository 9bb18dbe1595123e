#pragma once

#include "engine/base/internal.h"

// The rollback journal beside a database being changed: `<file>-journal`
// (named after the database's real path) holds the original bytes of every
// block a batch of changes will overwrite. It is complete, synced and sealed
// before the first byte of the database changes, and removed once the
// changed blocks are synced: that removal is the moment the batch counts as
// done. A journal found later means a batch was interrupted; playing it back
// restores the database as it was before that batch.
//
// A journal is played back only over the database it was written for, in
// the state it was written against: it names the database's file, its page
// size, its length before and after the batch and a checksum of its first
// block, and for every block the checksums of its new bytes, sector by
// sector. Each block then holds old or new bytes in every sector (a crash
// tears pages between sectors, never inside one); anything else means the
// journal is stale or strange, and it is left alone.
//
// One journal can cover changes written in several steps (a transaction
// whose batches spill into the file before it ends): a block's original
// bytes are journaled once, with the checksums of the new bytes of that
// step, and each later step that changes the block again adds a short
// record with the checksums of its newer bytes. The file then holds, in
// every sector of the block, the original or one of those versions.
//
// Layout: a 512-byte header (tag, version, block size, page size, record
// count, nonce, lengths before and after, first-block checksum, database
// name, checksum of the header), then records: nonce, block number, kind,
// for a first record the original bytes, then the new bytes' sector
// checksums, and a checksum of the record. The header is first written
// with a record count of zero and sealed with the real count once the
// records are synced, again after each later step: an unsealed journal was
// cut short before the database was touched, and records past the sealed
// count were never relied on.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/journal/run_writer.h"

namespace engine {

std::string journalPathFor(const std::string& databasePath);

// Crash-atomic unit of the disks the journal trusts.
inline constexpr std::uint32_t kJournalSectorSize = 512;

struct JournalBlock {
  std::vector<std::uint8_t> original;
  // Checksums of the block's new bytes, one per sector; a block changed
  // again in later steps has one such run of checksums per step, in order.
  std::vector<std::uint64_t> newSectors;
};

struct JournalContents {
  std::string databaseName;  // the last part of the database's real path
  std::uint32_t blockSize = 0;
  std::uint32_t pageSize = 0;
  std::uint64_t originalSize = 0;        // the database's length before the batch
  std::uint64_t newSize = 0;             // and at its longest since
  std::uint64_t firstBlockChecksum = 0;  // of block 0 before the batch
  std::uint64_t nonce = 0;
  std::map<std::uint64_t, JournalBlock> blocks;  // block offset (bytes) -> contents
};

// The checksum the journal keeps of bytes (block 0, sectors).
std::uint64_t journalChecksum(std::span<const std::uint8_t> bytes);

// A journal written record by record, so that the original bytes of a
// batch need not all be held at once, and sealed after each step.
class JournalWriter {
 public:
  // Begins the new file `journalPath` (with the permission bits of
  // `databasePath`) with the header of `header`, whose blocks are not used,
  // and no record; whatever had the name is removed, never written through.
  JournalWriter(FileSystem& fs, const std::string& journalPath, const std::string& databasePath,
                const JournalContents& header);
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // The first record of the block at `offset`: its original bytes and the
  // checksums of its new ones, sector by sector.
  void add(std::uint64_t offset, std::span<const std::uint8_t> original,
           std::span<const std::uint64_t> newSectors);
  // A later record of a block added before: the checksums of its newer bytes.
  void addLater(std::uint64_t offset, std::span<const std::uint64_t> newSectors);
  // Syncs the records, then seals the header with their count and the
  // database's length after this step (`newSize`), and syncs it. May be
  // called again after more records.
  void seal(std::uint64_t newSize);
  // Takes the seal back (a record count of zero) and syncs: what ends the
  // journal's hold where the folder no longer lets it be removed.
  void unseal();

 private:
  void addRecord(std::uint64_t offset, std::uint32_t kind, std::span<const std::uint8_t> original,
                 std::span<const std::uint64_t> newSectors);

  JournalContents header_;  // without blocks
  std::unique_ptr<File> journal_;
  RunWriter writer_;  // records go out in runs
  std::uint64_t end_;
  std::uint32_t records_ = 0;
  std::vector<std::uint8_t> record_;
};

// Writes, syncs and seals a journal of `contents` as the new file
// `journalPath` (with the permission bits of `databasePath`).
void writeJournal(FileSystem& fs, const std::string& journalPath, const std::string& databasePath,
                  const JournalContents& contents);

// Puts back into `database` the original bytes the sealed journal at
// `journalPath` holds, cuts off the blocks its batch appended and syncs:
// how a writer undoes its own batch when writing it failed. The journal
// stays. Throws when the journal cannot be read back whole. The journal is
// read a piece at a time, whatever its length.
void playBackJournal(FileSystem& fs, const std::string& journalPath, File& database);

// Restores the database from its journal when one is there, before anything
// is read. A sealed journal that matches the database is played back
// (blocks written, length restored, synced) and removed; an unsealed or
// empty one is removed (where the folder does not allow that, it is left
// and the failure reported: it holds nothing to play back). Refused, with the journal kept where it
// is and nothing written: a journal that is no regular file, whose header cannot be read, or that
// does not match the database (Error kind Interrupted); Error::fileInUse when another writer still
// holds the database after `wait` (its journal is live); Error::interruptedWrite when the database
// cannot be opened for writing. A journal damaged part-way is played back up to its first damaged
// record, kept, and the open refused.
//
// `databasePath` names the database in messages; `realPath` is its real
// path, after which the journal is named.
void recoverJournal(FileSystem& fs, const std::string& databasePath, const std::string& realPath,
                    std::chrono::milliseconds wait);

}  // namespace engine
