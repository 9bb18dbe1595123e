// Growth in a big table: an UPPER CASE run over a 1,000,000-record table
// (or as many as the first argument says) whose unicode-compressed Label
// values hold ÿ and µ, which leave Latin-1 when upper-cased, so that most
// values double in size and their records move to new pages, well past the
// 134 MB one inline map window and one bitmap page cover. Prints the time
// per moved record, the refusals (there should be none) and the file's
// growth. The file is kept when a second argument names where to put it.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "case/case.h"
#include "engine/database.h"
#include "engine/error.h"
#include "engine/new_database.h"

int main(int argc, char* argv[]) {
  const int records = argc > 1 ? std::stoi(argv[1]) : 1000000;
  const auto dir =
      std::filesystem::temp_directory_path() / ("caseloom-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto path = argc > 2 ? std::filesystem::path(argv[2]) : dir / "labels.mdb";

  engine::NewDatabase description;
  auto& table = description.tables.emplace_back();
  table.name = u"Labels";
  table.columns = {{u"Id", engine::NewColumn::Type::Long, 255},
                   {u"Label", engine::NewColumn::Type::Text, 255}};
  table.indexes = {{u"PrimaryKey", {u"Id"}, true, true}};
  for (int i = 0; i < records; ++i) {
    // Eight of ten values leave Latin-1 when upper-cased.
    const std::u16string mark = i % 10 < 8 ? u"ÿ µ " : u"";
    const std::string number = std::to_string(i);
    table.rows.push_back(
        {std::int32_t{i}, engine::Text(mark + u"label of customer record " +
                                       std::u16string(number.begin(), number.end()) + u" " +
                                       std::u16string(70, u'x'))});
  }
  engine::createDatabase(path, description);
  description = {};
  const std::uintmax_t before = std::filesystem::file_size(path);

  std::size_t changed = 0, moved = 0, refused = 0;
  const auto start = std::chrono::steady_clock::now();
  {
    auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
    const auto& labels = db->table(u"Labels");
    auto scan = db->scan(labels);
    std::vector<engine::RowId> ids;
    engine::Row row;
    while (scan->next(row)) ids.push_back(row.id);
    std::size_t inBatch = 0;
    for (engine::RowId id : ids) {
      const auto current = db->readRow(labels, id);
      try {
        db->updateText(labels, id, 1,
                       Case::Convert(Case::CaseMode::Upper, current->values[1].text()));
        ++changed;
        if (db->readRow(labels, id)->storedAt != current->storedAt) ++moved;
      } catch (const engine::Error& e) {
        if (refused++ == 0) std::printf("  first refusal: %s\n", e.description().c_str());
      }
      if (++inBatch == 10000) {
        db->commit();
        inBatch = 0;
      }
    }
    db->commit();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::uintmax_t after = std::filesystem::file_size(path);
  std::printf("map growth, UPPER CASE over %d records, Label unicode-compressed (Jet 4)\n",
              records);
  std::printf("  %zu changed, %zu moved to another page, %zu refused\n", changed, moved, refused);
  std::printf("  %.1f s, %.1f us per changed record, %.1f us per moved record\n", seconds,
              1e6 * seconds / static_cast<double>(changed ? changed : 1),
              1e6 * seconds / static_cast<double>(moved ? moved : 1));
  std::printf("  file %.1f MB before, %.1f MB after (+%.1f MB)\n", before / 1e6, after / 1e6,
              (after - before) / 1e6);
  if (argc <= 2) std::filesystem::remove_all(dir);
  return refused == 0 ? 0 : 1;
}
