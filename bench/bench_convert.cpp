// Converting one text column of a large table, side by side with mdb-export
// of the same table, for 100,000 and 1,000,000 records shaped as people keep
// them: an indexed Name, a City, a memo Notes of up to 9,000 characters and
// an Amount. Each measured step runs in a fresh process (this program run
// again) so its peak memory and its read and write calls are its own.
//
//   bench_convert              both sizes
//   bench_convert 20000        one size of your choice

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/main/local_time_zone.h"
#include "engine/database.h"
#include "engine/new_database.h"
#include "run/change_case_run.h"
#include "support/fake_window.h"
#include "support/message_recorder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char16_t* const kCities[] = {u"amsterdam", u"são paulo", u"zürich", u"new york",
                                   u"kraków",    u"istanbul",  u"lyon",   u"oslo"};

std::u16string u16(const std::string& s) { return {s.begin(), s.end()}; }

// Notes: most a line or two, every tenth a long letter of up to 9,000 characters.
std::u16string notesOf(std::size_t i) {
  const std::u16string line = u"called about the order, will ring back on monday. ";
  const std::size_t length = i % 10 == 0 ? 1000 + (i * 7919) % 8000 : 50 + i % 150;
  std::u16string notes;
  while (notes.size() < length) notes += line;
  notes.resize(length);
  return notes;
}

void makeTable(const fs::path& path, std::size_t records) {
  engine::NewDatabase db;
  auto& table = db.tables.emplace_back();
  table.name = u"People";
  table.columns = {{u"Id", engine::NewColumn::Type::Long},
                   {u"Name", engine::NewColumn::Type::Text, 60},
                   {u"City", engine::NewColumn::Type::Text, 40},
                   {u"Notes", engine::NewColumn::Type::Memo},
                   {u"Amount", engine::NewColumn::Type::Currency}};
  table.indexes = {{u"PrimaryKey", {u"Id"}, true, true}, {u"ByName", {u"Name"}, false, false}};
  table.rows.reserve(records);
  for (std::size_t i = 0; i < records; ++i)
    table.rows.push_back({std::int32_t(i), engine::Text(u"person " + u16(std::to_string(i))),
                          engine::Text(kCities[i % 8]), engine::Text(notesOf(i)),
                          engine::Currency{std::int64_t(i) * 125}});
  engine::createDatabase(path, db);
}

// Read and write calls of this process so far, from /proc/self/io.
long long ioCalls() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0, calls = 0;
  while (io >> key >> value)
    if (key == "syscr:" || key == "syscw:") calls += value;
  return calls;
}

// Child steps: print "seconds calls" on standard output.
int runStep(const std::string& step, const fs::path& path) {
  const long long callsBefore = ioCalls();
  const auto start = Clock::now();
  if (step == "make") {
    makeTable(path, std::strtoull(std::getenv("CASELOOM_BENCH_RECORDS"), nullptr, 10));
    return 0;
  }
  if (step == "run") {
    testsupport::FakeBoxes boxes;
    boxes.path = path.u16string();
    testsupport::FakeWindow window;
    window.tables.add(u"People");
    window.fields.add(u"City");
    window.fields.setSelected(0, true);
    window.caseText = u"UPPER CASE";
    testsupport::MessageRecorder reports;
    boxes.reports = &reports;
    Run::RunOptions options;
    options.pauses = false;
    testsupport::StartChanging(window, boxes, options);
  } else if (step == "scan") {
    auto db = engine::Database::open(path.string(), {});
    const auto& table = db->table(u"People");
    auto scan = db->scan(table);
    engine::Row row;
    std::size_t rows = 0;
    while (scan->next(row)) ++rows;
    if (rows == 0) return 1;
  } else {
    return 2;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%.6f %lld\n", seconds, ioCalls() - callsBefore);
  return 0;
}

struct Measured {
  double seconds = 0;
  long long calls = -1;
  long peakKiB = 0;
  bool ok = false;
};

// Runs `argv` as a child with standard output to `out`; its peak memory from wait4.
Measured spawn(std::vector<std::string> args, const fs::path& out) {
  Measured m;
  std::fflush(stdout);
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::FILE* sink = std::freopen(out.c_str(), "w", stdout);
    if (!sink) _exit(126);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return m;
  m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  m.peakKiB = usage.ru_maxrss;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

Measured step(const std::string& self, const std::string& name, const fs::path& path,
              const fs::path& dir) {
  const fs::path out = dir / "step.out";
  Measured m = spawn({self, "--step", name, path.string()}, out);
  std::ifstream result(out);
  double seconds = 0;
  if (m.ok && result >> seconds >> m.calls) m.seconds = seconds;
  return m;
}

void print(const char* title, const Measured& m, std::size_t records) {
  if (!m.ok) {
    std::printf("  %-34s failed\n", title);
    return;
  }
  std::printf("  %-34s %8.3f s %7.2f us/record %8ld KiB peak", title, m.seconds,
              m.seconds / double(records) * 1e6, m.peakKiB);
  if (m.calls >= 0)
    std::printf(" %6.3f read+write calls/record", double(m.calls) / double(records));
  std::printf("\n");
}

// Returns the cost per record of the command-line convert.
double measure(const std::string& self, std::size_t records, const fs::path& dir) {
  const fs::path original = dir / "people.mdb";
  // Made by a child, so this process stays small and its children's peaks are their own.
  setenv("CASELOOM_BENCH_RECORDS", std::to_string(records).c_str(), 1);
  if (!spawn({self, "--step", "make", original.string()}, dir / "make.out").ok) {
    std::printf("  could not make the table\n");
    return 0;
  }
  std::printf("%zu records, %.1f MB (Jet 4)\n", records, double(fs::file_size(original)) / 1e6);
  const fs::path work = dir / "work.mdb";
  const auto fresh = [&] { fs::copy_file(original, work, fs::copy_options::overwrite_existing); };

  fresh();
  const Measured cli =
      spawn({CASELOOM_CLI, "convert", work.string(), "People", "City", "--case", "upper"},
            dir / "cli.out");
  print("caseloom-cli convert City", cli, records);
  // "person 123": every value goes through the number and date tests.
  fresh();
  print("caseloom-cli convert Name",
        spawn({CASELOOM_CLI, "convert", work.string(), "People", "Name", "--case", "upper"},
              dir / "cli.out"),
        records);
  fresh();
  print("the run's code, no pauses", step(self, "run", work, dir), records);
  print("scan of every column", step(self, "scan", original, dir), records);
  const Measured exported = spawn({"mdb-export", original.string(), "People"}, dir / "export.csv");
  if (exported.ok) {
    print("mdb-export of the table", exported, records);
    if (cli.ok)
      std::printf("  convert / mdb-export: %.2f (goal 1.0 or less, aim 0.5)\n",
                  cli.seconds / exported.seconds);
  } else {
    std::printf("  mdb-export not installed: no ratio\n");
  }
  fs::remove(work);
  fs::remove(original);
  return cli.ok ? cli.seconds / double(records) : 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  Main::PinLocalTimeZone();  // as the program does
  if (argc == 4 && std::string(argv[1]) == "--step") return runStep(argv[2], argv[3]);
  const std::string self = fs::canonical("/proc/self/exe").string();
  const fs::path dir = fs::temp_directory_path() / ("caseloom-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::printf("convert one text column (UPPER CASE of City)\n");
  if (argc == 2) {
    measure(self, std::strtoull(argv[1], nullptr, 10), dir);
  } else {
    const double small = measure(self, 100000, dir);
    const double large = measure(self, 1000000, dir);
    if (small > 0 && large > 0)
      std::printf("  cost per record, 1,000,000 / 100,000: %.2f (goal 1.2 or less)\n",
                  large / small);
  }
  fs::remove_all(dir);
}
