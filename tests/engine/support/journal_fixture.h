#pragma once

// The database of the journal tests, held in a MemoryFolder: table Items
// (Id, Name, Notes) of 120 rows, and a sequence of changes that covers the
// ways a value is rewritten.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/database.h"
#include "engine/support/update_support.h"

namespace journaltest {

inline constexpr char kPath[] = "/memory/journal.mdb";

struct Change {
  std::size_t row;  // in scan order
  std::u16string column;
  std::u16string value;
};

// Same size, growing on the page, growing past the page, memo to a new page.
std::vector<Change> changes();

// The value the fixture holds where `change` goes.
std::u16string oldValue(const Change& change);

// How the fixture's pages are stored: the journal keeps stored pages, so it
// must restore ciphered files exactly as clear ones.
enum class Protection { Clear, JetEncoded, AccdbEncrypted };

std::u16string passwordFor(Protection protection);
std::vector<std::uint8_t> fixtureBytes(Protection protection = Protection::Clear);

engine::OpenOptions options(updatetest::MemoryFolder& folder, bool writable,
                            std::u16string password = {});

// The values of `column` by row, in scan order.
std::vector<engine::Value> values(engine::Database& db, const std::u16string& column);

// Runs `list` (by default the changes above), committing after each (or
// once at the end when `oneBatch`), with a cache of `cachePages` and batches
// of `batchBlocks` (the default when 0); stops at the first error.
void runChanges(updatetest::MemoryFolder& folder, bool oneBatch = false,
                std::u16string password = {}, const std::vector<Change>& list = changes(),
                std::size_t cachePages = engine::OpenOptions::kDefaultCachePages,
                std::size_t batchBlocks = 0);

// Where the steps of the changes made as one batch are (counted as the
// MemoryFolder counts them).
struct BatchSteps {
  std::uint64_t firstPageWrite = 0;  // the first write to the database
  std::uint64_t journalRemoved = 0;  // the commit point
  std::uint64_t folderFlush = 0;     // the flush that follows it
};
BatchSteps oneBatchSteps(const std::vector<std::uint8_t>& original);

// How many of the changes `db` (by default the database in `folder`, opened
// read-only) holds; checks on the way that it is consistent and that each
// changed value is old or new.
std::size_t newValuesOfTheBatch(engine::Database& db);
std::size_t newValuesOfTheBatch(updatetest::MemoryFolder& folder);

}  // namespace journaltest
