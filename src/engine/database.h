#pragma once

// An open Access database file (.mdb / .accdb): the entry point of the file
// engine, for reading and, opened writable, for changing text in place.
//
//   auto db = engine::Database::open(path, {.password = u"secret"});
//   const auto& table = db->table(u"Customers");     // Error if unknown
//   auto scan = db->scan(table);
//   engine::Row row;
//   while (scan->next(row)) { row.id; row.values[table.columnIndex(u"Name")]; }
//
// Every failure is an Error: missing file, unrecognised format, wrong
// password, damaged structures (naming the file and page), unsupported
// features. Values come out as Value; the mapping from Jet types:
//   Text, Memo -> Text;  OLE, Binary, unknown types -> Bytes;  Yes/No -> bool;
//   Byte -> uint8;  Integer -> int16;  Long, complex ids -> int32;
//   Large Number -> int64;  Single -> float;  Double -> double;
//   Currency -> Currency;  Date/Time -> DateTime (raw day count);
//   Date/Time Extended -> DateTimeExtended;  GUID -> Guid;  Decimal -> Decimal;
//   calculated columns -> their stored result, by its ResultType.
//
// A Database and everything it hands out (definitions, scans) belong to one
// thread at a time; definitions stay valid as long as the Database.
//
// Layers, each talking only to the one below: File (file.h) -> Pager (page
// cache, PageCodec for encoded and encrypted pages) -> structures (header_page,
// table_definition, usage_map, data_page, long_value, row_decoder,
// index_reader, property_block) -> this class. On-disk offsets live in the
// layout_*.h headers, shared with the writer.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/catalogue.h"
#include "engine/file.h"
#include "engine/file_system.h"
#include "engine/format.h"
#include "engine/row.h"
#include "engine/table_definition.h"
#include "engine/table_scan.h"

namespace engine {

struct OpenOptions {
  // The database password: the gate of an .mdb (ignored when it has none)
  // or the key of an encrypted .accdb.
  std::u16string password;
  // Open the file for writing too: changes then take the writer's lock and
  // go through the journal.
  bool writable = false;
  // 16 MB of 4 KB pages: the rows of a table of a hundred thousand records
  // or so stay in memory between the passes of a run, and a run over a
  // 2 GB file still fits in 100 MB.
  static constexpr std::size_t kDefaultCachePages = 4096;
  // Pages kept in memory.
  std::size_t cachePages = kDefaultCachePages;
  // Where the file and its companions (journal, lock file) are; the disk
  // when absent. Must outlive the database.
  FileSystem* fileSystem = nullptr;
  // Called before each batch of changes reaches the file, while none of it
  // has: whoever keeps a record of the changes (an undo file) makes it
  // durable here. What it throws undoes the transaction.
  std::function<void()> beforeCommit = nullptr;
  // How long taking the writer's lock waits for another writer of this
  // computer before the change is refused with Error::fileInUse.
  std::chrono::milliseconds lockWait{5000};
  // The changes of a transaction are held in memory up to this many blocks
  // of 2 KB (16 MB), then spill into the file under the journal; the
  // transaction is committed when it is a second old or has journaled 16
  // times this many blocks. Each UPDATE of a run
  // may match records all over a table: a page changed again in the same
  // transaction is journaled once.
  // Tests lower it to see many spills.
  std::size_t batchBlocks = 8192;
};

// One value changed by Database::updateText.
struct UpdateMade {
  std::uint32_t table = 0;  // the table's definition page
  RowId row;
  int column = 0;
  bool operator==(const UpdateMade&) const = default;
};

struct HeaderPage;
class JournaledFile;
class Pager;
class WriterLock;

class Database {
 public:
  static std::unique_ptr<Database> open(const std::string& path, const OpenOptions& options = {});
  // Opens an already opened file (in-memory files, fault-injection tests).
  static std::unique_ptr<Database> open(std::unique_ptr<File> file,
                                        const OpenOptions& options = {});

  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  const std::string& path() const { return file_->path(); }
  const Format& format() const { return format_; }
  // The header page as read (tests and tools of the engine).
  const HeaderPage& header() const;
  // How the pages are ciphered on disk (none, Jet encoding, Office encryption).
  PageEncryption encryption() const { return encryption_; }
  [[nodiscard]] bool writable() const { return writable_; }
  Pager& pager() { return *pager_; }
  File& file() { return *file_; }

  // Every row of MSysObjects, in stored order.
  const std::vector<CatalogueEntry>& catalogue() const { return catalogue_; }
  // Ids of the queries that declare parameters (MSysQueries attribute 2).
  std::vector<std::int32_t> queriesWithParameters();
  // Names of local tables without system flags (hidden ones included), in
  // catalogue order.
  std::vector<std::u16string> userTableNames() const;

  // The definition of the local table `name` (case-insensitive); throws
  // Error::unknownTable for unknown names and for linked tables and
  // queries (they have no local rows).
  const TableDefinition& table(std::u16string_view name);
  // The catalogue entry of a table, query or linked table, if any.
  const CatalogueEntry* findObject(std::u16string_view name) const;

  // A cursor over the live rows of `table` (which must outlive it), with
  // the values of `selection` (every column unless told).
  std::unique_ptr<TableScan> scan(const TableDefinition& table, ColumnSelection selection = {});
  // One row by its identity; nothing when deleted or not of this table.
  [[nodiscard]] std::optional<Row> readRow(const TableDefinition& table, RowId id,
                                           const ColumnSelection& selection = {});

  // Writing (database_write.cpp, text_update.h). Sets text or memo column
  // `column` (position in table.columns) of row `id` to `value`: all of it
  // or, with an Error saying why, nothing. The first change takes the
  // writer's locks (Error::fileInUse, Error::readOnly). Changes
  // are visible at once and are made durable in transactions, through a
  // rollback journal, at least every second while writing and at commit().
  void updateText(const TableDefinition& table, RowId id, int column, const std::u16string& value);
  // Takes the writer's locks now rather than at the first change, so that
  // what is read next is read under them (Error::fileInUse, Error::readOnly).
  void lockForWriting() { beginWriting(); }
  // Makes every change so far durable; the transaction is undone when this
  // fails.
  void commit();
  // Commits, then gives up the writer's locks (the lock-file entry goes),
  // also when the commit fails; the commit's error is thrown after that.
  // Reading goes on; a later change takes the locks again.
  void close();

  // What became of the updates: those in the open transaction, not yet
  // durable; how many are durable; and those whose transaction failed (undone,
  // oldest first; each failed commit threw its error from the call that
  // tried it, updateText or commit), taken once.
  std::size_t pendingUpdates() const { return batch_.size(); }
  std::uint64_t savedUpdates() const { return savedUpdates_; }
  std::vector<UpdateMade> takeLostUpdates() { return std::exchange(lost_, {}); }

 private:
  Database(std::unique_ptr<File> file, bool writable);
  void load(const OpenOptions& options);
  void loadCatalogue();
  void loadProperties(TableDefinition& table, const CatalogueEntry& entry);

  std::unique_ptr<File> file_;
  bool writable_;
  std::unique_ptr<HeaderPage> header_;
  Format format_;
  PageEncryption encryption_ = PageEncryption::None;
  std::unique_ptr<Pager> pager_;
  std::vector<CatalogueEntry> catalogue_;
  std::int32_t tablesContainerId_ = 0;
  std::unordered_map<std::uint32_t, std::unique_ptr<TableDefinition>> definitions_;

  // Writing state.
  void beginWriting();
  // Sends the batch in memory to the file: spilled into the open
  // transaction, or with `commit`, ending it.
  void writeBatch(bool commit);
  FileSystem* fileSystem_ = nullptr;
  std::string realPath_;  // companions are named after it
  std::chrono::milliseconds lockWait_{0};
  std::size_t batchBlocks_ = 0;
  std::vector<UpdateMade> batch_;
  std::vector<UpdateMade> lost_;
  std::uint64_t savedUpdates_ = 0;
  JournaledFile* journaled_ = nullptr;  // file_ when opened writable by path
  std::unique_ptr<WriterLock> writerLock_;
  std::function<void()> beforeCommit_;
  bool batchOpen_ = false;
  std::chrono::steady_clock::time_point batchStart_;
};

}  // namespace engine
