#include "engine/support/create_test_readers.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace createtest {

namespace {

std::filesystem::path readerScript() {
  return std::filesystem::path(CASELOOM_SOURCE_DIR) / "tools" / "reader" / "read.mjs";
}

#ifndef _WIN32
bool inPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::stringstream dirs(path);
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && ::access((std::filesystem::path(dir) / program).c_str(), X_OK) == 0)
      return true;
  return false;
}
#endif

// Splits CSV text as mdb-export writes it: fields quoted with ", quotes doubled.
std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  bool any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
      any = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
      any = true;
    } else if (c == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
      any = false;
    } else {
      field += c;
      any = true;
    }
  }
  if (any) {
    row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

#ifdef _WIN32
// The readers are Linux programs; a Windows build of the tests has none.
CommandResult run(const std::vector<std::string>&, const std::vector<std::string>&) {
  throw std::runtime_error("the independent readers run on Linux only");
}

bool haveMdbTools() { return false; }
bool haveMdbReader() { return false; }
std::string whyNoMdbTools() { return "mdbtools is a Linux program: not run on Windows"; }
std::string whyNoMdbReader() { return "mdb-reader runs under Linux' node: not run on Windows"; }
#else
CommandResult run(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0) ::dup2(devNull, STDERR_FILENO);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    for (const auto& entry : env) ::putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  CommandResult result;
  char buffer[65536];
  for (;;) {
    auto n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n > 0) {
      result.output.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool haveMdbTools() { return inPath("mdb-export") && inPath("mdb-tables") && inPath("mdb-schema"); }

bool haveMdbReader() {
  return inPath("node") && std::filesystem::exists(readerScript()) &&
         std::filesystem::exists(readerScript().parent_path() / "node_modules" / "mdb-reader");
}

std::string whyNoMdbTools() { return "mdbtools is not installed"; }
std::string whyNoMdbReader() { return "mdb-reader is not installed"; }
#endif

std::vector<std::string> mdbTables(const std::filesystem::path& file, bool system) {
  std::vector<std::string> args{"mdb-tables", "-1"};
  if (system) args.push_back("-S");
  args.push_back(file.string());
  auto result = run(args);
  if (result.exitCode != 0) throw std::runtime_error("mdb-tables failed");
  std::vector<std::string> names;
  std::stringstream lines(result.output);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) names.push_back(line);
  return names;
}

std::vector<std::vector<std::string>> mdbExport(const std::filesystem::path& file,
                                                const std::string& table) {
  auto result = run({"mdb-export", "-b", "hex", "-D", "%Y-%m-%d %H:%M:%S", "-T",
                     "%Y-%m-%d %H:%M:%S", file.string(), table},
                    {"TZ=UTC"});
  if (result.exitCode != 0) throw std::runtime_error("mdb-export failed");
  return parseCsv(result.output);
}

std::string mdbSchema(const std::filesystem::path& file) {
  auto result = run({"mdb-schema", file.string()});
  if (result.exitCode != 0) throw std::runtime_error("mdb-schema failed");
  return result.output;
}

std::string mdbReaderOutput(const std::filesystem::path& file, const std::string& password) {
  std::vector<std::string> args{"node", readerScript().string(), file.string()};
  if (!password.empty()) args.push_back(password);
  auto result = run(args, {"TZ=UTC"});
  if (result.exitCode != 0) throw std::runtime_error("mdb-reader failed");
  return result.output;
}

std::vector<std::uint8_t> readPage(const std::filesystem::path& file, std::uint32_t number) {
  std::ifstream in(file, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(number) * 4096);
  std::vector<std::uint8_t> page(4096);
  in.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size()));
  if (!in) throw std::runtime_error("cannot read page");
  return page;
}

}  // namespace createtest
