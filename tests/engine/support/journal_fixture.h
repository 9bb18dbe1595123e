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

std::u16string repeat(std::u16string_view unit, std::size_t times);

struct Change {
  std::size_t row;  // in scan order
  std::u16string column;
  std::u16string value;
};

// Same size, growing on the page, growing past the page, memo to a new page.
std::vector<Change> changes();

// How the fixture's pages are stored: the journal keeps stored pages, so it
// must restore ciphered files exactly as clear ones.
enum class Protection { Clear, JetEncoded, AccdbEncrypted };

std::u16string passwordFor(Protection protection);
std::vector<std::uint8_t> fixtureBytes(Protection protection = Protection::Clear);

engine::OpenOptions options(updatetest::MemoryFolder& folder, bool writable,
                            std::u16string password = {});

// The values of `column` by row, in scan order.
std::vector<engine::Value> values(engine::Database& db, const std::u16string& column);

// Runs the changes, committing after each (or once at the end when
// `oneBatch`); stops at the first error.
void runChanges(updatetest::MemoryFolder& folder, bool oneBatch = false,
                std::u16string password = {});

}  // namespace journaltest
