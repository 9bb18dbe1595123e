// Converting one column of a large table, side by side with mdb-export of
// the same table, for 100,000 and 1,000,000 records of two shapes people
// keep: an indexed Name, a City, a memo Notes and an Amount. In "kept" the
// notes are mostly a line or empty and now and then a few thousand
// characters, and the names mix case and letters beyond ASCII; in
// "letters" every tenth note is a letter of 1,000 to 9,000 characters, which
// mdb-export must print whole. The notes of "letters" are one sentence cut to
// a length, so each is shared by many records all over the table, and the
// UPDATE of each visits them all; "distinct" is "letters" with every note
// ending in its record's number, as letters people keep differ. Each measured step runs in a fresh
// process (this program run again) so its peak memory and its read and write calls are its own.
//
//   bench_convert              both shapes, both sizes
//   bench_convert 20000        both shapes, one size of your choice

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

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char16_t* const kCities[] = {u"amsterdam", u"São Paulo", u"ZÜRICH",   u"new york",
                                   u"Kraków",    u"istanbul",  u"lyon-sud", u"OSLO"};
const char16_t* const kSurnames[] = {u"van der berg", u"ZOË",    u"o'neil", u"Müller",
                                     u"da silva",     u"ŁUKASZ", u"smith",  u"Nguyễn"};

std::u16string u16(const std::string& s) { return {s.begin(), s.end()}; }

std::u16string repeatedTo(std::size_t length) {
  const std::u16string line = u"called about the order, will ring back on monday. ";
  std::u16string text;
  while (text.size() < length) text += line;
  text.resize(length);
  return text;
}

// "letters": most a line or two, every tenth a letter of up to 9,000 characters.
std::u16string lettersNotes(std::size_t i) {
  return repeatedTo(i % 10 == 0 ? 1000 + (i * 7919) % 8000 : 50 + i % 150);
}

std::u16string distinctNotes(std::size_t i) {
  return lettersNotes(i) + u" " + u16(std::to_string(i));
}

// "kept": a third empty, most a line, one in two hundred a few thousand characters.
std::u16string keptNotes(std::size_t i) {
  if (i % 3 == 0) return {};
  return repeatedTo(i % 200 == 1 ? 2000 + (i * 7919) % 3000 : 20 + i % 60);
}

void makeTable(const fs::path& path, std::size_t records, const std::string& shape) {
  const bool kept = shape == "kept";
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
  for (std::size_t i = 0; i < records; ++i) {
    const std::u16string number = u16(std::to_string(i));
    const std::u16string name =
        kept ? kSurnames[(i * 5) % 8] + (u" " + number) : u"person " + number;
    const std::u16string city = kept && i % 11 == 0 ? std::u16string() : kCities[i % 8];
    table.rows.push_back({std::int32_t(i), engine::Text(name), engine::Text(city),
                          engine::Text(kept                  ? keptNotes(i)
                                       : shape == "distinct" ? distinctNotes(i)
                                                             : lettersNotes(i)),
                          engine::Currency{std::int64_t(i) * 125}});
  }
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
    makeTable(path, std::strtoull(std::getenv("CASELOOM_BENCH_RECORDS"), nullptr, 10),
              std::getenv("CASELOOM_BENCH_SHAPE"));
    return 0;
  }
  if (step == "scan") {
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
  // The child's read and write calls, from its /proc entry before it is reaped.
  siginfo_t info{};
  if (pid > 0 && waitid(P_PID, pid, &info, WEXITED | WNOWAIT) == 0) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    long long value = 0, calls = 0;
    bool read = false;
    while (io >> key >> value)
      if (key == "syscr:" || key == "syscw:") {
        calls += value;
        read = true;
      }
    if (read) m.calls = calls;
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

struct Costs {
  double city = 0, name = 0, notes = 0;  // seconds a record
};

// Converts each column of a fresh copy to upper case and compares it with
// mdb-export of the whole table; returns the cost per record of each.
Costs measure(const std::string& self, const std::string& shape, std::size_t records,
              const fs::path& dir) {
  const fs::path original = dir / "people.mdb";
  // Made by a child, so this process stays small and its children's peaks are their own.
  setenv("CASELOOM_BENCH_RECORDS", std::to_string(records).c_str(), 1);
  setenv("CASELOOM_BENCH_SHAPE", shape.c_str(), 1);
  if (!spawn({self, "--step", "make", original.string()}, dir / "make.out").ok) {
    std::printf("  could not make the table\n");
    return {};
  }
  std::printf("%s, %zu records, %.1f MB (Jet 4)\n", shape.c_str(), records,
              double(fs::file_size(original)) / 1e6);
  const Measured exported = spawn({"mdb-export", original.string(), "People"}, dir / "export.csv");
  if (exported.ok)
    print("mdb-export of the table", exported, records);
  else
    std::printf("  mdb-export not installed: no ratios\n");
  const fs::path work = dir / "work.mdb";
  Costs costs;
  struct Column {
    const char* name;
    const char* title;
    double Costs::*cost;
    double goal;
  };
  const Column columns[] = {{"City", "convert City (text)", &Costs::city, 1.0},
                            {"Name", "convert Name (indexed)", &Costs::name, 2.0},
                            {"Notes", "convert Notes (memo)", &Costs::notes, 2.0}};
  for (const Column& column : columns) {
    fs::copy_file(original, work, fs::copy_options::overwrite_existing);
    const Measured cli =
        spawn({CASELOOM_CLI, "convert", work.string(), "People", column.name, "--case", "upper"},
              dir / "cli.out");
    print(column.title, cli, records);
    if (cli.ok) costs.*column.cost = cli.seconds / double(records);
    if (cli.ok && exported.ok)
      std::printf("    / mdb-export: %.2f (goal %.1f or less)\n", cli.seconds / exported.seconds,
                  column.goal);
  }
  print("scan of every column", step(self, "scan", original, dir), records);
  fs::remove(work);
  fs::remove(original);
  return costs;
}

}  // namespace

int main(int argc, char* argv[]) {
  Main::PinLocalTimeZone();  // as the program does
  if (argc == 4 && std::string(argv[1]) == "--step") return runStep(argv[2], argv[3]);
  const std::string self = fs::canonical("/proc/self/exe").string();
  const fs::path dir = fs::temp_directory_path() / ("caseloom-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::printf("convert one column to UPPER CASE with caseloom-cli\n");
  for (const std::string shape : {"kept", "letters", "distinct"}) {
    if (argc == 2) {
      measure(self, shape, std::strtoull(argv[1], nullptr, 10), dir);
      continue;
    }
    const Costs small = measure(self, shape, 100000, dir);
    const Costs large = measure(self, shape, 1000000, dir);
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf(
        "  %s, cost per record 1,000,000 / 100,000 (goal 1.2 or less): City %.2f, "
        "Name %.2f, Notes %.2f\n",
        shape.c_str(), ratio(large.city, small.city), ratio(large.name, small.name),
        ratio(large.notes, small.notes));
  }
  fs::remove_all(dir);
}
