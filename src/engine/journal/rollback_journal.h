#pragma once

// The rollback journal beside a database being changed: `<file>-journal`
// holds the original bytes of every page a batch of changes will overwrite,
// and the file's original length. It is complete and synced before the first
// byte of the database changes, and removed once the changed pages are
// synced: that removal is the moment the batch counts as done. A journal
// found later means a batch was interrupted; playing it back restores the
// database as it was before that batch.
//
// Layout: per page `u32 offset-in-blocks`, then the block; then a trailer:
// 16-byte tag, u32 block size, u32 block count, u64 original file length,
// u64 checksum of everything before it. A journal whose trailer or checksum
// does not match was cut short before it was synced, so the database was not
// touched yet and the journal can simply be dropped.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/io/file.h"
#include "engine/io/file_system.h"

namespace engine {

std::string journalPathFor(const std::string& databasePath);

struct JournalContents {
  std::uint64_t originalSize = 0;
  // Block offset (bytes) -> original bytes.
  std::map<std::uint64_t, std::vector<std::uint8_t>> blocks;
};

// Writes and syncs a journal of `contents` at `journalPath`.
void writeJournal(FileSystem& fs, const std::string& journalPath, const JournalContents& contents,
                  std::uint32_t blockSize);

// Restores `database` from its journal when one is there. A complete
// journal is played back (pages written, length restored, synced) and
// removed; an incomplete one is removed when possible. Throws
// Error::fileInUse when another writer holds the database (its journal
// is live), and Error::interruptedWrite when the journal must be played
// back but the database cannot be opened for writing.
void recoverJournal(FileSystem& fs, const std::string& databasePath);

}  // namespace engine
