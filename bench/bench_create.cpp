// Speed of the database creator: a table of 100,000 rows with a memo column,
// a primary key and a text index, written to a temporary file.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/new_database.h"

int main() {
  using Type = engine::NewColumn::Type;
  engine::NewDatabase db;
  engine::NewTable table;
  table.name = u"Bench";
  table.columns = {{u"Id", Type::Long}, {u"Name", Type::Text, 60}, {u"Notes", Type::Memo}};
  table.indexes = {{u"PrimaryKey", {u"Id"}, true, true}, {u"ByName", {u"Name"}, false, false}};
  constexpr int kRows = 100000;
  for (int i = 0; i < kRows; ++i) {
    auto number = std::to_string(i);
    std::u16string name = u"Customer " + std::u16string(number.begin(), number.end());
    std::u16string notes(i % 5 == 0 ? 2000 : 40, u'n');
    table.rows.push_back({std::int32_t{i}, ado::Text(name), ado::Text(notes)});
  }
  db.tables.push_back(std::move(table));

  auto path = std::filesystem::temp_directory_path() / "caseloom-bench-create.mdb";
  auto start = std::chrono::steady_clock::now();
  engine::createDatabase(path, db);
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  auto size = std::filesystem::file_size(path);
  std::filesystem::remove(path);
  std::printf("bench_create: %d rows (memo, 2 indexes) in %.3f s, %.1f MB file\n", kRows, seconds,
              static_cast<double>(size) / 1e6);
  return 0;
}
