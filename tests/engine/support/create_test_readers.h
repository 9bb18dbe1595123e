#pragma once

// Independent readers for the files the database creator makes: mdbtools
// (mdb-tables, mdb-schema, mdb-export) and mdb-reader (tools/reader), run as
// child processes. Tests skip their checks cleanly when a reader is missing.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace createtest {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output
};

// Runs `args[0]` (searched in PATH) with the rest as arguments; `env` entries
// ("NAME=value") are added to the environment.
CommandResult run(const std::vector<std::string>& args, const std::vector<std::string>& env = {});

bool haveMdbTools();
bool haveMdbReader();

// mdb-tables: the user table names (system ones too when `system`).
std::vector<std::string> mdbTables(const std::filesystem::path& file, bool system = false);
// mdb-export -b hex, dates as ISO text: the header row then every row.
std::vector<std::vector<std::string>> mdbExport(const std::filesystem::path& file,
                                                const std::string& table);
// mdb-schema output.
std::string mdbSchema(const std::filesystem::path& file);

// mdb-reader's JSON text (read it with mdbReaderTables, mdb_reader_json.h).
std::string mdbReaderOutput(const std::filesystem::path& file, const std::string& password = {});

// The page `number` of `file`.
std::vector<std::uint8_t> readPage(const std::filesystem::path& file, std::uint32_t number);

// Why a reader is missing ("mdbtools is not installed", ...).
std::string whyNoMdbTools();
std::string whyNoMdbReader();

}  // namespace createtest

#define SKIP_WITHOUT_MDBTOOLS()                                                   \
  do {                                                                            \
    if (!createtest::haveMdbTools()) GTEST_SKIP() << createtest::whyNoMdbTools(); \
  } while (0)
#define SKIP_WITHOUT_MDB_READER()                                                   \
  do {                                                                              \
    if (!createtest::haveMdbReader()) GTEST_SKIP() << createtest::whyNoMdbReader(); \
  } while (0)
