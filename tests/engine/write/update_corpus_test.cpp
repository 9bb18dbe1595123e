// Every text and memo value of every user table of every corpus file, on a
// copy, changed with each of the four case conversions: the engine, mdbtools
// and mdb-reader must then read exactly the converted values (refused ones
// unchanged), every other value unchanged, every index complete.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "case/case.h"
#include "engine/database.h"
#include "engine/error.h"
#include "engine/jet_type.h"
#include "engine/support/corpus_expected.h"
#include "engine/support/corpus_files.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "engine/support/update_support.h"
#include "engine/utf.h"
#include "support/shared_dir.h"

namespace {

using Case::CaseMode;

const char* modeName(CaseMode mode) {
  switch (mode) {
    case CaseMode::Upper:
      return "UPPER";
    case CaseMode::Lower:
      return "lower";
    case CaseMode::Proper:
      return "Proper";
    case CaseMode::Sentence:
      return "Sentence";
    case CaseMode::Names:
      return "Names";
  }
  return "?";
}

bool isTextOrMemo(const engine::ColumnDefinition& column) {
  return column.type == static_cast<std::uint8_t>(engine::JetType::Text) ||
         column.type == static_cast<std::uint8_t>(engine::JetType::Memo);
}

struct CellChange {
  std::string table, column;
  std::string before, after;  // UTF-8
};

// Per table and column: the multiset of values a reader shows.
using ColumnValues = std::map<std::string, std::map<std::string, std::multiset<std::string>>>;

ColumnValues exportColumns(const std::filesystem::path& file,
                           const std::vector<std::string>& tables) {
  ColumnValues out;
  for (const std::string& table : tables) {
    auto rows = createtest::mdbExport(file, table);
    if (rows.empty()) continue;
    for (std::size_t r = 1; r < rows.size(); ++r)
      for (std::size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c)
        out[table][rows[0][c]].insert(rows[r][c]);
  }
  return out;
}

ColumnValues readerColumns(const std::filesystem::path& file, const std::string& password) {
  ColumnValues out;
  QJsonObject tables = createtest::mdbReaderTables(file, password);
  for (auto it = tables.begin(); it != tables.end(); ++it) {
    QJsonObject table = it.value().toObject();
    QJsonArray columns = table["columns"].toArray();
    for (const auto& row : table["rows"].toArray()) {
      QJsonArray fields = row.toArray();
      for (int c = 0; c < columns.size() && c < fields.size(); ++c) {
        QJsonValue v = fields[c];
        std::string text =
            v.isString()
                ? v.toString().toStdString()
                : QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact).toStdString();
        QJsonValue name = columns[c];
        std::string columnName = name.isObject() ? name.toObject()["name"].toString().toStdString()
                                                 : name.toString().toStdString();
        out[it.key().toStdString()][columnName].insert(text);
      }
    }
  }
  return out;
}

// `before` with every change applied to its column's multiset. A value the
// reader renders otherwise than the engine (characters it decodes its own
// way) cannot be predicted: its column is left out of both sides and counted.
ColumnValues applied(ColumnValues before, const std::vector<CellChange>& changes,
                     ColumnValues& after, std::size_t& unpredictable) {
  std::set<std::pair<std::string, std::string>> skipped;
  for (const CellChange& change : changes) {
    auto& values = before[change.table][change.column];
    auto it = values.find(change.before);
    if (it == values.end()) {
      ++unpredictable;
      skipped.insert({change.table, change.column});
      continue;
    }
    values.erase(it);
    values.insert(change.after);
  }
  for (const auto& [table, column] : skipped) {
    before[table].erase(column);
    after[table].erase(column);
  }
  return before;
}

std::size_t differences(const ColumnValues& expected, const ColumnValues& actual,
                        std::string& first) {
  std::size_t count = 0;
  for (const auto& [table, columns] : expected)
    for (const auto& [column, values] : columns) {
      auto t = actual.find(table);
      const std::multiset<std::string> none;
      const auto& got =
          (t == actual.end() || !t->second.count(column)) ? none : t->second.at(column);
      if (got != values) {
        ++count;
        if (first.empty()) first = table + "." + column;
      }
    }
  return count;
}

class UpdateCorpusTest : public ::testing::TestWithParam<std::string> {};

TEST_P(UpdateCorpusTest, EveryTextAndMemoValueInEveryCase) {
  SKIP_WITHOUT_CORPUS();
  const std::string name = GetParam();
  const QJsonObject expected = enginetest::expectedFor(name);
  const std::u16string password =
      expected["password"].isString() ? expected["password"].toString().toStdU16String() : u"";
  const std::string password8 = engine::toUtf8(password);
  const bool readers = createtest::haveMdbTools() && createtest::haveMdbReader();

  for (CaseMode mode : {CaseMode::Upper, CaseMode::Lower, CaseMode::Proper, CaseMode::Sentence}) {
    SCOPED_TRACE(std::string(modeName(mode)));
    testsupport::TempDir dir;
    const auto copy = enginetest::writableCopy(name, dir.path());

    std::unique_ptr<engine::Database> db;
    try {
      db = engine::Database::open(copy.string(), {.password = password, .writable = true});
    } catch (const engine::Error& e) {
      GTEST_SKIP() << "the engine does not open it: " << e.description();
    }
    std::vector<std::string> tableNames;
    ColumnValues exportBefore, readerBefore;
    for (const auto& table : db->userTableNames()) tableNames.push_back(engine::toUtf8(table));
    bool mdbReaderReads = readers;
    // mdbtools cannot decipher Office encryption; mdb-reader can.
    const bool mdbExportReads = readers && !engine::isOfficeEncryption(db->encryption());
    if (readers) {
      if (mdbExportReads) exportBefore = exportColumns(copy, tableNames);
      try {
        readerBefore = readerColumns(copy, password8);
      } catch (const std::exception&) {
        mdbReaderReads = false;  // mdb-reader cannot read this file at all (complex columns)
      }
    }

    // Expected contents by table and record.
    std::map<std::u16string, std::map<std::pair<std::uint32_t, int>, std::vector<engine::Value>>>
        want;
    std::vector<CellChange> changes;
    std::size_t changed = 0, refusedIndex = 0, refusedOther = 0, unchanged = 0;
    std::map<std::string, std::size_t> reasons;
    for (const std::u16string& tableName : db->userTableNames()) {
      const auto& table = db->table(tableName);
      std::vector<engine::Row> rows;
      auto scan = db->scan(table);
      engine::Row row;
      while (scan->next(row)) rows.push_back(row);
      for (engine::Row& r : rows) {
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
          if (!isTextOrMemo(table.columns[c]) || !r.values[c].isText()) continue;
          const std::u16string before = r.values[c].text();
          const std::u16string after = Case::Convert(mode, before);
          if (after == before) {
            ++unchanged;
            continue;
          }
          try {
            db->updateText(table, r.id, static_cast<int>(c), after);
            r.values[c] = engine::Text(after);
            ++changed;
            changes.push_back({engine::toUtf8(tableName), engine::toUtf8(table.columns[c].name),
                               engine::toUtf8(before), engine::toUtf8(after)});
          } catch (const engine::Error& e) {
            const std::string& d = e.description();
            const bool index = d.find("index") != std::string::npos;
            (index ? refusedIndex : refusedOther)++;
            const auto colon = d.find(": ");
            std::string reason = colon == std::string::npos ? d : d.substr(colon + 2, 60);
            if (index) reason = "index key would change";
            ++reasons[reason];
            EXPECT_EQ(e.kind(), engine::ErrorKind::Refused) << "not a refusal: " << d;
            EXPECT_EQ(d.rfind("Cannot change field", 0), 0u) << d;
          }
        }
        want[tableName][{r.id.page, r.id.slot}] = r.values;
      }
    }
    db->commit();
    db.reset();
    std::cout << name << " " << modeName(mode) << ": " << changed << " changed, " << unchanged
              << " already so, refused " << refusedIndex << " (index) + " << refusedOther
              << " (other)";
    for (const auto& [reason, count] : reasons) std::cout << " [" << count << "x " << reason << "]";
    std::cout << "\n";

    // The engine: exactly the expected values, by record.
    auto reopened = engine::Database::open(copy.string(), {.password = password});
    std::size_t keysCompared = 0;
    EXPECT_EQ(updatetest::consistencyProblems(*reopened), std::vector<std::string>{});
    for (const auto& [tableName, rows] : want) {
      const auto& table = reopened->table(tableName);
      std::map<std::pair<std::uint32_t, int>, std::vector<engine::Value>> got;
      auto scan = reopened->scan(table);
      engine::Row row;
      while (scan->next(row)) got[{row.id.page, row.id.slot}] = row.values;
      EXPECT_TRUE(got == rows) << engine::toUtf8(tableName);
      EXPECT_EQ(updatetest::missingIndexEntries(*reopened, table), std::vector<std::string>{})
          << engine::toUtf8(tableName);
      const updatetest::IndexCheck check = updatetest::checkIndexKeys(*reopened, table);
      keysCompared += check.compared;
      EXPECT_EQ(check.problems, std::vector<std::string>{});
    }
    reopened.reset();
    std::cout << "  index keys recomputed from the new values: " << keysCompared
              << ", all equal to the stored keys\n";

    if (readers) {
      std::string first;
      std::size_t unpredictable = 0;
      if (mdbExportReads) {
        ColumnValues exported = exportColumns(copy, tableNames);
        ColumnValues expectedExport = applied(exportBefore, changes, exported, unpredictable);
        EXPECT_EQ(differences(expectedExport, exported, first), 0u)
            << "mdb-export, first at " << first;
        std::cout << "  mdb-export: " << changes.size() - unpredictable
                  << " changed values checked, " << unpredictable
                  << " rendered differently by it\n";
      }
      if (mdbReaderReads) {
        first.clear();
        unpredictable = 0;
        ColumnValues read = readerColumns(copy, password8);
        ColumnValues expectedRead = applied(readerBefore, changes, read, unpredictable);
        EXPECT_EQ(differences(expectedRead, read, first), 0u) << "mdb-reader, first at " << first;
        std::cout << "  mdb-reader: " << changes.size() - unpredictable
                  << " changed values checked, " << unpredictable << " rendered differently\n";
      } else {
        std::cout << "  mdb-reader cannot read this file\n";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, UpdateCorpusTest,
                         ::testing::ValuesIn(enginetest::corpusFileNames()),
                         [](const auto& info) { return enginetest::testNameOf(info.param); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(UpdateCorpusTest);

}  // namespace
