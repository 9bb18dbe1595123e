// libFuzzer entry: the input is a whole database file. Opening it, reading
// every local table (system tables included) with its indexes, and the
// tables listing may only ever fail with ado::Error.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ado/error.h"
#include "engine/database.h"
#include "engine/index_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    engine::OpenOptions options;
    options.cachePages = 16;
    // The corpus' encrypted files use this password: their pages get deciphered.
    options.password = u"password";
    auto db = engine::Database::open(
        engine::makeMemoryFile(std::vector<std::uint8_t>(data, data + size), "fuzz.mdb"), options);
    for (const auto& entry : db->catalogue()) {
      if (entry.type != engine::object_type::kLocalTable) continue;
      try {
        const auto& table = db->table(entry.name);
        auto scan = db->scan(table);
        engine::Row row;
        while (scan->next(row)) {
        }
        for (const auto& index : table.realIndexes)
          engine::readIndexEntries(db->pager(), db->format(), table, index);
      } catch (const ado::Error&) {
        // One damaged table does not stop the others from being read.
      }
    }
    db->tablesListing();
  } catch (const ado::Error&) {
    // Expected for damaged input.
  }
  return 0;
}
