#pragma once

// Helpers of the update tests: an in-memory folder whose files can fail or
// "lose power" at a chosen write or sync, and independent checks of a
// database's consistency and of its indexes.

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/database.h"
#include "engine/file_system.h"
#include "engine/journal/rollback_journal.h"

namespace updatetest {

// A folder in memory. Every write, sync, creation, removal and folder flush
// of any of its files counts as one step; at a chosen step the step fails
// with an I/O error (Fault::Fail), the "computer dies" (Fault::Die): every
// file falls back to what was last synced (names created or removed stay
// so: the disk file system syncs its folder) and every later step fails too,
// or the process is killed (Fault::Kill): every later step fails, and what
// was written stays written.
// Several faults may be set, for a crash during the recovery from a failure.
class MemoryFolder final : public engine::FileSystem {
 public:
  enum class Fault { None, Fail, Die, Kill };

  void put(const std::string& name, std::vector<std::uint8_t> bytes);
  // A file that opens for reading only; a folder that takes no new files.
  void makeReadOnly(const std::string& name) { readOnlyFiles_.insert(name); }
  void makeFolderReadOnly() { readOnlyFolder_ = true; }
  // The largest file the folder takes.
  void limitFileSize(std::uint64_t limit) { sizeLimit_ = limit; }
  // The durable bytes (what survives a crash).
  std::vector<std::uint8_t> durable(const std::string& name) const;
  bool has(const std::string& name) const { return files_.count(name) != 0; }
  void erase(const std::string& name) { files_.erase(name); }

  void injectFault(Fault fault, std::uint64_t faultAt) {
    faults_.clear();
    faults_[faultAt] = fault;
    steps_ = 0;
    log_.clear();
    dead_ = false;
  }
  // One more fault, `after` steps after the last one set.
  void thenFault(Fault fault, std::uint64_t after) {
    const std::uint64_t last = faults_.empty() ? 0 : faults_.rbegin()->first;
    faults_[last + after] = fault;
  }
  std::uint64_t steps() const { return steps_; }
  bool dead() const { return dead_; }
  std::uint64_t bytesWritten() const { return bytesWritten_; }
  // Forgets the crash: the folder holds the durable bytes only.
  void reboot();

  std::unique_ptr<engine::File> open(const std::string& path, bool writable) override;
  std::unique_ptr<engine::File> create(const std::string& path, const std::string& like) override;
  engine::EntryType entryType(const std::string& path) override {
    return files_.count(path) != 0 ? engine::EntryType::RegularFile : engine::EntryType::None;
  }
  void remove(const std::string& path) override;
  void syncFolder(const std::string& path) override { step("flush", path); }
  std::string realPath(const std::string& path) override;
  void replace(const std::string& from, const std::string& to) override;
  std::unique_ptr<engine::FileLock> tryLock(const std::string& path) override;
  bool lockedByOthers(const std::string&) override { return false; }
  std::string computerName() override { return "TESTHOST"; }
  std::uint64_t fileSizeLimit() const override { return sizeLimit_; }

  struct Contents {
    std::vector<std::uint8_t> current;
    std::vector<std::uint8_t> synced;
  };
  // Counts one step ("write", "sync", "truncate", "create", "remove" or
  // "flush" of the folder, on `path`); throws when it is a faulty one.
  void step(const char* what, const std::string& path);
  // Every step so far, as "what path".
  const std::vector<std::string>& log() const { return log_; }
  Contents& contents(const std::string& path) { return files_.at(path); }
  std::uint64_t bytesWritten_ = 0;

 private:
  std::map<std::string, Contents> files_;
  std::map<std::string, int> locks_;
  std::set<std::string> readOnlyFiles_;
  bool readOnlyFolder_ = false;
  std::uint64_t sizeLimit_ = std::numeric_limits<std::uint64_t>::max();
  std::map<std::uint64_t, Fault> faults_;  // by step
  std::uint64_t steps_ = 0;
  std::vector<std::string> log_;
  bool dead_ = false;
};

// The journal a batch that turns the file `before` into `after` writes:
// every block of `before` that differs, for the database named `name`.
engine::JournalContents journalBetween(const std::vector<std::uint8_t>& before,
                                       const std::vector<std::uint8_t>& after,
                                       const std::string& name);

// Problems found in `db`: unreadable tables, data pages whose free-space
// count or slots are wrong, owned pages of the wrong type or owner, pages
// both owned and marked free, overflow rows not marked as Access marks them.
// Empty when consistent.
std::vector<std::string> consistencyProblems(engine::Database& db);

// The records of `table` in scan order.
std::vector<engine::RowId> rowIds(engine::Database& db, const engine::TableDefinition& table);

// A row of a data page: its page and row number.
using RowPlace = std::pair<std::uint32_t, std::uint8_t>;

// The long-value rows that the memo and OLE values of `table` lead to.
std::set<RowPlace> longValueRows(engine::Database& db, const engine::TableDefinition& table);

// The memo and OLE values of `table`, as (record, column), whose chain of
// long-value rows has a row directly after a slot with the deleted or the
// lookup bit. mdb-reader takes the end of such a row from the previous
// slot's word without masking its flag bits, so the row seems to run to
// the page end and the value comes out cut short. Access leaves such
// pages too.
std::set<std::pair<RowPlace, std::size_t>> chainsAfterRemovedRows(
    engine::Database& db, const engine::TableDefinition& table);

// The records of `table` in the order of readers that list each row where
// it lies, page after page (mdb-export, mdb-reader): a moved record where
// its overflow row is.
std::vector<engine::RowId> recordsInPageOrder(engine::Database& db,
                                              const engine::TableDefinition& table);

// How many columns the stored row of record `id` has (fewer than the
// table when columns were added after it was stored).
std::size_t storedColumnCount(engine::Database& db, const engine::TableDefinition& table,
                              engine::RowId id);

// The deleted and lookup bits of the slot at `place`.
std::uint16_t slotFlags(engine::Database& db, const RowPlace& place);
// The length of the row at `place`.
std::size_t rowLength(engine::Database& db, const RowPlace& place);

// The bytes still held by removed rows (both bits set) on the pages of
// `table`, its rows' and its long values'.
std::size_t removedRowBytes(engine::Database& db, const engine::TableDefinition& table);

// The pages of `table` (its rows', and its long values') whose bit in the
// free-space map disagrees with the room they offer.
std::set<std::uint32_t> freeMapMismatches(engine::Database& db,
                                          const engine::TableDefinition& table);

// Rows of `table` that one of its indexes lacks an entry for (read from the
// index pages), as "index N: page/slot" strings.
std::vector<std::string> missingIndexEntries(engine::Database& db,
                                             const engine::TableDefinition& table);

// The key of a record (its values in table order) in `index`, computed as
// the engine computes keys; nothing when a column's keys are not known.
std::optional<engine::Bytes> computedKey(const engine::Format& format,
                                         const engine::TableDefinition& table,
                                         const engine::RealIndex& index,
                                         const std::vector<engine::Value>& values);

struct IndexCheck {
  std::size_t entries = 0;   // entries walked
  std::size_t compared = 0;  // entries whose key was computed from the record and compared
  std::vector<std::string> problems;
};

// Every real index of `table`, read through the engine's walker: entries in
// strictly ascending order; leaves linked in that order and in the index's
// page map; each entry's key equal to the key computed from its record; each
// record found exactly once (records whose key is all null may be left out
// where the index ignores nulls). With `countsExact`, the index's count of
// distinct keys must match too (`table` must then be freshly read).
IndexCheck checkIndexKeys(engine::Database& db, const engine::TableDefinition& table,
                          bool countsExact = false);

}  // namespace updatetest
