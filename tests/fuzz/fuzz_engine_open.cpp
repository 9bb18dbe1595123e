// libFuzzer entry: the input is a whole database file. Opening it, reading
// every local table (system tables included) with its indexes, and the
// tables listing may only ever fail with ado::Error.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ado/error.h"
#include "engine/database.h"
#include "engine/read/index_reader.h"

namespace {

// An Agile-encrypted file may ask for up to ten million hash rounds before
// the password can be checked: correct, but seconds of hashing per input.
// Such inputs only measure SHA-512, so they are passed over.
bool asksForLongHashing(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  constexpr std::string_view kSpin = "spinCount=\"";
  for (auto at = text.find(kSpin); at != std::string_view::npos; at = text.find(kSpin, at + 1)) {
    std::size_t digits = 0;
    for (auto i = at + kSpin.size(); i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      ++digits;
    if (digits > 6) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (asksForLongHashing(data, size)) return 0;
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
      } catch (const engine::Error&) {
        // One damaged table does not stop the others from being read.
      }
    }
    db->queriesWithParameters();
  } catch (const engine::Error&) {
    // Expected for damaged input.
  }
  return 0;
}
