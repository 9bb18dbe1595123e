// Scan throughput of ciphered tables beside the same table in clear: one
// 100,000-row table written by createDatabase as a clear and an RC4-encoded
// .mdb, and as a clear and an encrypted (Agile AES-256) .accdb. The open,
// which for an encrypted file includes the 100,000-round password
// stretching, is timed apart from the scans.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/database.h"
#include "engine/new_database.h"
#include "engine/read/usage_map.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 100000;

engine::NewTable customers() {
  engine::NewTable table;
  table.name = u"Customers";
  table.columns = {{u"Id", engine::NewColumn::Type::Long},
                   {u"Name", engine::NewColumn::Type::Text, 60},
                   {u"City", engine::NewColumn::Type::Text, 40},
                   {u"Notes", engine::NewColumn::Type::Memo}};
  for (int i = 0; i < kRows; ++i)
    table.rows.push_back({std::int32_t{i},
                          ado::Text(u"customer number " + std::u16string(1, u'a' + i % 26)),
                          ado::Text(i % 2 ? u"new york" : u"DUBLIN"), ado::Text(u"a short note")});
  return table;
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void measure(const char* title, const std::filesystem::path& path, const std::u16string& password) {
  const engine::OpenOptions options{.password = password};
  auto openStart = Clock::now();
  int opens = 0;
  do {
    engine::Database::open(path.string(), options);
    ++opens;
  } while (secondsSince(openStart) < 0.3);
  const double openMs = 1000 * secondsSince(openStart) / opens;

  auto db = engine::Database::open(path.string(), options);
  const auto& table = db->table(u"Customers");
  const double tableBytes =
      static_cast<double>(
          engine::readUsageMap(db->pager(), db->format(), table.ownedPagesMap).size()) *
      db->format().pageSize();
  // Each scan starts cold: the cache holds far fewer pages than the table.
  std::size_t rows = 0;
  int scans = 0;
  auto start = Clock::now();
  do {
    auto fresh = engine::Database::open(path.string(), {.password = password, .cachePages = 64});
    auto scan = fresh->scan(fresh->table(u"Customers"));
    engine::Row row;
    while (scan->next(row)) ++rows;
    ++scans;
  } while (secondsSince(start) < 1.0);
  const double seconds = secondsSince(start) - scans * openMs / 1000;
  std::printf("  %-28s open %7.2f ms   scan %10.0f rows/s  %7.1f MB/s of data pages\n", title,
              openMs, rows / seconds, scans * tableBytes / seconds / 1e6);
}

}  // namespace

int main() {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("caseloom-bench-encrypted-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  struct Variant {
    const char* title;
    const char* file;
    engine::NewDatabase::Format format;
    std::u16string password;
    bool encoded;
  };
  const Variant variants[] = {
      {".mdb, clear", "clear.mdb", engine::NewDatabase::Format::Jet4, u"", false},
      {".mdb, RC4-encoded", "encoded.mdb", engine::NewDatabase::Format::Jet4, u"", true},
      {".accdb, clear", "clear.accdb", engine::NewDatabase::Format::Ace12, u"", false},
      {".accdb, encrypted (Agile)", "encrypted.accdb", engine::NewDatabase::Format::Ace12,
       u"bench password", false},
  };
  std::printf("bench_encrypted_scan: one table of %d rows (cold scans, 64-page cache)\n", kRows);
  const engine::NewTable table = customers();
  for (const auto& variant : variants) {
    engine::NewDatabase db;
    db.format = variant.format;
    db.password = variant.password;
    db.encoded = variant.encoded;
    db.tables = {table};
    engine::createDatabase(dir / variant.file, db);
    measure(variant.title, dir / variant.file, variant.password);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
