// Full-table scan throughput of the file engine on the corpus' largest table
// (most rows), beside the time mdbtools' mdb-export needs for the same table
// in the same run. Skips cleanly without the corpus or without mdb-export.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "ado/error.h"
#include "engine/database.h"
#include "engine/read/usage_map.h"
#include "engine/utf.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::optional<fs::path> corpusDir() {
  fs::path shared;
  if (const char* env = std::getenv("CASELOOM_SHARED_DIR"); env && *env)
    shared = env;
  else
    shared = fs::path(CASELOOM_SOURCE_DIR).parent_path() / "shared";
  std::error_code ec;
  if (fs::is_directory(shared / "corpus", ec)) return shared / "corpus";
  return std::nullopt;
}

struct Candidate {
  fs::path file;
  std::u16string table;
  std::size_t rows = 0;
};

std::size_t countRows(engine::Database& db, const engine::TableDefinition& table) {
  auto scan = db.scan(table);
  engine::Row row;
  std::size_t rows = 0;
  while (scan->next(row)) ++rows;
  return rows;
}

Candidate largestTable(const fs::path& corpus) {
  Candidate best;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    auto ext = entry.path().extension();
    if (ext != ".mdb" && ext != ".accdb") continue;
    try {
      auto db = engine::Database::open(entry.path().string());
      for (const auto& name : db->userTableNames()) {
        std::size_t rows = countRows(*db, db->table(name));
        if (rows > best.rows) best = {entry.path(), name, rows};
      }
    } catch (const ado::Error&) {
      // Encrypted or password-protected files are not candidates.
    }
  }
  return best;
}

}  // namespace

int main() {
  auto corpus = corpusDir();
  if (!corpus) {
    std::puts("bench_engine_scan: no shared corpus; skipped");
    return 0;
  }
  Candidate target = largestTable(*corpus);
  if (target.rows == 0) {
    std::puts("bench_engine_scan: no readable table in the corpus; skipped");
    return 0;
  }
  const std::string tableName = engine::toUtf8(target.table);
  std::printf("bench_engine_scan: %s, table %s, %zu rows\n", target.file.filename().c_str(),
              tableName.c_str(), target.rows);

  // Cold open + scan, repeated until at least half a second has passed.
  std::size_t scans = 0, rows = 0, pageBytes = 0;
  auto start = Clock::now();
  double seconds = 0;
  do {
    auto db = engine::Database::open(target.file.string());
    const auto& table = db->table(target.table);
    pageBytes += engine::readUsageMap(db->pager(), db->format(), table.ownedPagesMap).size() *
                 db->format().pageSize();
    rows += countRows(*db, table);
    ++scans;
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  } while (seconds < 0.5);
  std::printf(
      "  engine: %zu scans (open + full scan) in %.3f s: %.0f rows/s, %.1f MB/s of data pages, "
      "%.3f ms per scan\n",
      scans, seconds, rows / seconds, pageBytes / seconds / 1e6, 1000 * seconds / scans);

  if (std::system("command -v mdb-export >/dev/null 2>&1") != 0) {
    std::puts("  mdb-export: not installed; skipped");
    return 0;
  }
  const std::string command =
      "mdb-export '" + target.file.string() + "' '" + tableName + "' >/dev/null 2>&1";
  const int runs = 10;
  auto exportStart = Clock::now();
  for (int i = 0; i < runs; ++i) {
    if (std::system(command.c_str()) != 0) {
      std::puts("  mdb-export: failed; skipped");
      return 0;
    }
  }
  double exportSeconds = std::chrono::duration<double>(Clock::now() - exportStart).count();
  std::printf(
      "  mdb-export: %d runs in %.3f s: %.3f ms per export (process start included), "
      "%.0f rows/s\n",
      runs, exportSeconds, 1000 * exportSeconds / runs, runs * target.rows / exportSeconds);
  return 0;
}
