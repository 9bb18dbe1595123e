// Updates per second and bytes written per update on a 100,000-row table
// made with createDatabase: same-size changes and growing changes. Bytes are
// counted through the File interface (database file, journal, lock file).

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "engine/create/new_database.h"
#include "engine/database.h"
#include "engine/io/file_system.h"

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

class CountingFolder final : public engine::FileSystem {
 public:
  std::uint64_t written = 0;
  std::unique_ptr<engine::File> open(const std::string& p, bool w) override {
    return std::make_unique<CountingFile>(disk().open(p, w), written);
  }
  std::unique_ptr<engine::File> create(const std::string& p) override {
    return std::make_unique<CountingFile>(disk().create(p), written);
  }
  bool exists(const std::string& p) override { return disk().exists(p); }
  void remove(const std::string& p) override { disk().remove(p); }
  void replace(const std::string& from, const std::string& to) override {
    disk().replace(from, to);
  }
  std::unique_ptr<engine::FileLock> tryLock(const std::string& p) override {
    return disk().tryLock(p);
  }
  bool lockedByOthers(const std::string& p) override { return disk().lockedByOthers(p); }
  std::string computerName() override { return disk().computerName(); }

 private:
  static engine::FileSystem& disk() { return engine::diskFileSystem(); }
};

void run(const char* title, const std::filesystem::path& path, bool grow) {
  CountingFolder folder;
  auto db = engine::Database::open(
      path.string(), {.password = {}, .writable = true, .cachePages = 1024, .fileSystem = &folder});
  const auto& table = db->table(u"Big");
  std::vector<engine::RowId> ids;
  auto scan = db->scan(table);
  engine::Row row;
  while (scan->next(row)) ids.push_back(row.id);
  const auto start = std::chrono::steady_clock::now();
  std::size_t done = 0;
  for (std::size_t i = 0; i < ids.size(); i += grow ? 10 : 1, ++done) {
    std::u16string value =
        grow ? u"Customer Name Grown Much Longer Than Before " + std::u16string(20, u'x')
             : u"CUSTOMER NAME " + std::u16string(6, u'X');
    db->updateText(table, ids[i], 1, value);
  }
  db->commit();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("  %-34s %8zu updates %9.0f updates/s %9.0f bytes written/update\n", title, done,
              done / seconds, static_cast<double>(folder.written) / static_cast<double>(done));
}

}  // namespace

int main() {
  const auto dir =
      std::filesystem::temp_directory_path() / ("caseloom-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  engine::NewDatabase description;
  auto& table = description.tables.emplace_back();
  table.name = u"Big";
  table.columns = {{u"Id", engine::NewColumn::Type::Long, 255},
                   {u"Name", engine::NewColumn::Type::Text, 100}};
  for (int i = 0; i < 100000; ++i)
    table.rows.push_back({std::int32_t{i}, ado::Text(u"customer name " + std::u16string(6, u'x'))});
  std::printf("engine updates, 100,000-row table (Jet 4)\n");
  engine::createDatabase(dir / "same.mdb", description);
  run("same size (every row)", dir / "same.mdb", false);
  engine::createDatabase(dir / "grow.mdb", description);
  run("growing by 45 chars (every 10th row)", dir / "grow.mdb", true);
  std::filesystem::remove_all(dir);
}
