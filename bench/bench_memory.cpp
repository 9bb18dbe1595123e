// Peak resident memory of the command line converting the City, the indexed
// Name and then the Notes field of a generated 400,000-row database (or as
// many rows as the argument says: 1,690,000 make a file near 2 GB): it must
// not grow with the table (the goal is at most 100 MB for any file up to 2 GB).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "engine/utf.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

int rows = 400000;

std::filesystem::path makePeople(const std::filesystem::path& path) {
  static const char16_t* const cities[] = {u"london", u"paris", u"new york", u"o'hare",
                                           u"berlin", u"kyoto", u"lima",     u"oslo"};
  static const char16_t* const surnames[] = {u"van der berg", u"ZOË",    u"o'neil", u"Müller",
                                             u"da silva",     u"ŁUKASZ", u"smith",  u"Nguyễn"};
  std::mt19937 random(400000);
  engine::NewTable table{
      u"People",
      {testsupport::column(u"Id", engine::NewColumn::Type::Long),
       testsupport::textColumn(u"Name", 60), testsupport::textColumn(u"City", 60),
       testsupport::column(u"Notes", engine::NewColumn::Type::Memo)},
      {{u"ByName", {u"Name"}, false, false}},
      {}};
  for (int i = 0; i < rows; ++i) {
    std::u16string city = cities[random() % std::size(cities)];
    if (random() % 4 == 0) city += u" " + engine::fromUtf8(std::to_string(random() % 20000));
    std::u16string notes = u"note " + engine::fromUtf8(std::to_string(i));
    // Mostly a few words, now and then a long letter.
    const std::size_t words = random() % 100 == 0 ? 1000 + random() % 800 : random() % 40;
    for (std::size_t w = 0; w < words; ++w) notes += u" and some more words";
    const std::u16string name =
        surnames[random() % std::size(surnames)] + (u" " + engine::fromUtf8(std::to_string(i)));
    table.rows.push_back(
        {std::int32_t{i}, engine::Text(name), engine::Text(city), engine::Text(notes)});
  }
  return testsupport::makeDatabase(path, {table});
}

// Runs the command line as a child and reports its peak resident memory.
void convert(const std::filesystem::path& file, const char* field) {
  std::fflush(stdout);  // the child's own lines come after ours
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl(CASELOOM_CLI, CASELOOM_CLI, "convert", file.c_str(), "People", field, "--case", "upper",
            static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(child, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("  %-6s %d records: peak resident %.1f MB, %.1f s, exit %d\n", field, rows,
              static_cast<double>(usage.ru_maxrss) / 1024.0, seconds,
              WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 2) rows = std::atoi(argv[1]);
  testsupport::TempDir dir;
  const auto file = dir.path() / "people.mdb";
  // Made by a child: a child inherits its parent's peak, and making the file
  // holds all of it in memory.
  if (const pid_t maker = ::fork(); maker == 0) {
    makePeople(file);
    std::_Exit(0);
  } else {
    int status = 0;
    ::waitpid(maker, &status, 0);
  }
  std::printf("peak memory of caseloom-cli convert, %.0f MB file\n",
              static_cast<double>(std::filesystem::file_size(file)) / 1e6);
  convert(file, "City");
  convert(file, "Name");
  convert(file, "Notes");
}
