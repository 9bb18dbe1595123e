// The committed key tables against their sources: the generator's output
// from the published codes, and every key Access stored in the corpus.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/read/index_reader.h"
#include "engine/support/corpus_expected.h"
#include "engine/support/corpus_files.h"
#include "engine/support/update_support.h"
#include "engine/text/text_key.h"
#include "engine/utf.h"
#include "support/shared_dir.h"

namespace {

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST(IndexKeyTables, CommittedTableIsWhatTheGeneratorMakes) {
  auto shared = testsupport::sharedDir();
  if (!shared || !std::filesystem::exists(*shared / "data/index-codes"))
    GTEST_SKIP() << "no published index codes";
  testsupport::TempDir dir;
  const auto out = dir.path() / "index_code_tables.cpp";
  const auto quoted = [](std::filesystem::path path) {
    return "\"" + path.make_preferred().string() + "\"";
  };
  std::string command =
      quoted(CASELOOM_INDEX_CODES) + " " + quoted(*shared / "data/index-codes") + " " + quoted(out);
#ifdef _WIN32
  command = "\"" + command + "\"";  // cmd.exe takes off the outer pair of quotes
#endif
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const auto committed =
      std::filesystem::path(CASELOOM_SOURCE_DIR) / "src/engine/text/index_code_tables.cpp";
  EXPECT_TRUE(fileText(out) == fileText(committed))
      << "run tests/index-codes/generate.sh and commit the result";
}

// Every entry of every index of every table (system tables too) in the
// corpus, recomputed from its record.
TEST(IndexKeyTables, EveryKeyStoredInTheCorpusIsRecomputed) {
  SKIP_WITHOUT_CORPUS();
  std::map<std::string, std::size_t> comparedByOrder;
  std::size_t compared = 0;
  for (const auto& name : enginetest::corpusFileNames()) {
    SCOPED_TRACE(name);
    const QJsonObject expected = enginetest::expectedFor(name);
    engine::OpenOptions options;
    if (expected["password"].isString())
      options.password = expected["password"].toString().toStdU16String();
    std::unique_ptr<engine::Database> db;
    try {
      db = engine::Database::open(enginetest::corpusFile(name).string(), options);
    } catch (const engine::Error& e) {
      continue;  // files the engine does not open are tested elsewhere
    }
    for (const auto& entry : db->catalogue()) {
      if (entry.type != 1) continue;  // local tables
      const engine::TableDefinition* table = nullptr;
      try {
        table = &db->table(entry.name);
      } catch (const engine::Error&) {
        continue;
      }
      const auto check = updatetest::checkIndexKeys(*db, *table);
      EXPECT_EQ(check.problems, std::vector<std::string>{});
      compared += check.compared;
      for (const auto& index : table->realIndexes)
        for (const auto& c : index.columns) {
          if (c.columnPosition < 0) continue;
          const auto& column = table->columns[static_cast<std::size_t>(c.columnPosition)];
          if (column.type != 0x0A && column.type != 0x0C) continue;
          auto order =
              engine::textSortOrder(db->format().isJet3(), column.sortOrder, column.sortVersion);
          const char* names[] = {"General 97", "General Legacy", "General"};
          comparedByOrder[order ? names[static_cast<int>(*order)] : "other"] +=
              engine::readIndexEntries(db->pager(), db->format(), *table, index).size();
        }
    }
  }
  std::cout << "index entries recomputed from their records: " << compared << " (text entries:";
  for (const auto& [order, n] : comparedByOrder) std::cout << " " << order << " " << n;
  std::cout << ")\n";
  EXPECT_GT(comparedByOrder["General 97"], 2000u);
  EXPECT_GT(comparedByOrder["General Legacy"], 500u);
  EXPECT_GT(comparedByOrder["General"], 150u);
}

}  // namespace
