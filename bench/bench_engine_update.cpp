// Updates per second and bytes written per update on a 100,000-row table
// (or as many as the first argument says)
// made with createDatabase: same-size changes and growing changes (also in a
// table whose pages nearly all have room); and an
// UPPER CASE run over an indexed column of 10,000 Turkish names, where every
// update moves an index entry (ı → I changes the key). Bytes are counted
// through the File interface (database file, journal, lock file).

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "case/case.h"
#include "engine/database.h"
#include "engine/file_system.h"
#include "engine/new_database.h"
#include "support/disk_folder.h"

namespace {

class CountingFile final : public engine::File {
 public:
  CountingFile(std::unique_ptr<engine::File> inner, std::uint64_t& written)
      : inner_(std::move(inner)), written_(written) {}
  const std::string& path() const override { return inner_->path(); }
  std::uint64_t size() const override { return inner_->size(); }
  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    inner_->read(offset, out);
  }
  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    written_ += data.size();
    inner_->write(offset, data);
  }
  void sync() override { inner_->sync(); }
  void truncate(std::uint64_t size) override { inner_->truncate(size); }

 private:
  std::unique_ptr<engine::File> inner_;
  std::uint64_t& written_;
};

class CountingFolder final : public testsupport::DiskFolder {
 public:
  std::uint64_t written = 0;
  std::unique_ptr<engine::File> open(const std::string& p, bool w) override {
    return std::make_unique<CountingFile>(disk().open(p, w), written);
  }
  std::unique_ptr<engine::File> create(const std::string& p, const std::string& like) override {
    return std::make_unique<CountingFile>(disk().create(p, like), written);
  }
};

// Sets the Name of every `step`th row of `tableName` to `change(old value)`.
void run(const char* title, const std::filesystem::path& path, const std::u16string& tableName,
         std::size_t step, const std::function<std::u16string(const std::u16string&)>& change) {
  CountingFolder folder;
  auto db = engine::Database::open(
      path.string(), {.password = {}, .writable = true, .cachePages = 1024, .fileSystem = &folder});
  const auto& table = db->table(tableName);
  std::vector<engine::Row> rows;
  auto scan = db->scan(table);
  engine::Row row;
  while (scan->next(row)) rows.push_back(row);
  const auto start = std::chrono::steady_clock::now();
  std::size_t done = 0;
  for (std::size_t i = 0; i < rows.size(); i += step, ++done)
    db->updateText(table, rows[i].id, 1, change(rows[i].values[1].text()));
  db->commit();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("  %-38s %8zu updates %9.0f updates/s %6.1f us/update %9.0f bytes written/update\n",
              title, done, done / seconds, 1e6 * seconds / static_cast<double>(done),
              static_cast<double>(folder.written) / static_cast<double>(done));
}

// A table Big of `records` rows: Id, and a Name of at most `nameSize` characters.
engine::NewDatabase bigTable(int records, int nameSize,
                             const std::function<std::u16string(int)>& nameOf) {
  engine::NewDatabase description;
  auto& table = description.tables.emplace_back();
  table.name = u"Big";
  table.columns = {{u"Id", engine::NewColumn::Type::Long, 255},
                   {u"Name", engine::NewColumn::Type::Text, nameSize}};
  for (int i = 0; i < records; ++i)
    table.rows.push_back({std::int32_t{i}, engine::Text(nameOf(i))});
  return description;
}

}  // namespace

int main(int argc, char* argv[]) {
  // A row count to see whether the cost per update stays the same as the table grows.
  const int records = argc > 1 ? std::stoi(argv[1]) : 100000;
  const auto dir =
      std::filesystem::temp_directory_path() / ("caseloom-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const engine::NewDatabase description =
      bigTable(records, 100, [](int) { return u"customer name " + std::u16string(6, u'x'); });
  std::printf("engine updates, %d-row table (Jet 4)\n", records);
  engine::createDatabase(dir / "same.mdb", description);
  run("same size (every row)", dir / "same.mdb", u"Big", 1,
      [](const std::u16string&) { return u"CUSTOMER NAME " + std::u16string(6, u'X'); });
  engine::createDatabase(dir / "grow.mdb", description);
  run("growing by 45 chars (every 10th row)", dir / "grow.mdb", u"Big", 10,
      [](const std::u16string&) {
        return u"Customer Name Grown Much Longer Than Before " + std::u16string(20, u'x');
      });

  // Names of many lengths leave room on nearly every page, so the free-space
  // map lists nearly every page, and grown rows often move to another page.
  const engine::NewDatabase varied =
      bigTable(records, 255, [](int i) { return std::u16string(10 + (i * 37) % 180, u'x'); });
  engine::createDatabase(dir / "varied.mdb", varied);
  run("growing to 250 chars, pages with room", dir / "varied.mdb", u"Big", 10,
      [](const std::u16string&) { return std::u16string(250, u'y'); });

  engine::NewDatabase indexed;
  auto& names = indexed.tables.emplace_back();
  names.name = u"Turkish";
  names.columns = {{u"Id", engine::NewColumn::Type::Long, 255},
                   {u"Name", engine::NewColumn::Type::Text, 100}};
  names.indexes = {{u"PrimaryKey", {u"Id"}, true, true}, {u"ByName", {u"Name"}, false, false}};
  const char16_t* given[] = {u"ılkay", u"ışıl", u"ırmak", u"ıssız", u"ılgın"};
  const char16_t* family[] = {u"yıldız", u"kılıç", u"ışık", u"aydın", u"yılmaz"};
  for (int i = 0; i < 10000; ++i) {
    const std::string number = std::to_string(i);
    names.rows.push_back(
        {std::int32_t{i}, engine::Text(std::u16string(given[i % 5]) + u" " + family[(i / 5) % 5] +
                                       u" " + std::u16string(number.begin(), number.end()))});
  }
  std::printf("engine updates, 10,000 Turkish names in an indexed column (Jet 4)\n");
  engine::createDatabase(dir / "indexed.mdb", indexed);
  run("UPPER CASE, each moves an index entry", dir / "indexed.mdb", u"Turkish", 1,
      [](const std::u16string& old) { return Case::Convert(Case::CaseMode::Upper, old); });
  std::filesystem::remove_all(dir);
}
