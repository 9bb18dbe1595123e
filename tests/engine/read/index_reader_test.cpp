// Index trees of the corpus: every entry points to a live row of its table,
// and an index that keeps nulls has one entry per row.

#include "engine/read/index_reader.h"

#include <gtest/gtest.h>

#include <set>

#include "engine/database.h"
#include "engine/support/corpus_files.h"
#include "engine/utf.h"
#include "support/shared_dir.h"

namespace {

TEST(IndexReader, EntriesPointToTheRowsOfEveryCorpusTable) {
  SKIP_WITHOUT_CORPUS();
  int indexesChecked = 0;
  for (const auto& name : enginetest::corpusFileNames()) {
    engine::OpenOptions options;
    options.password = u"password";
    auto db = engine::Database::open(enginetest::corpusFile(name).string(), options);
    for (const auto& tableName : db->userTableNames()) {
      const auto& table = db->table(tableName);
      std::set<std::pair<std::uint32_t, int>> rows;
      auto scan = db->scan(table);
      engine::Row row;
      while (scan->next(row)) rows.insert({row.id.page, row.id.slot});
      for (const auto& index : table.realIndexes) {
        SCOPED_TRACE(name + " / " + engine::toUtf8(tableName));
        auto entries = engine::readIndexEntries(db->pager(), db->format(), table, index);
        for (const auto& entry : entries)
          EXPECT_TRUE(rows.contains({entry.row.page, entry.row.slot}))
              << "entry points to page " << entry.row.page << " row " << int(entry.row.slot);
        if (!index.ignoresNulls()) {
          EXPECT_EQ(entries.size(), rows.size());
        }
        // Entries come in ascending (key, page, row) order.
        for (std::size_t i = 1; i < entries.size(); ++i) {
          auto before = entries[i - 1].key, after = entries[i].key;
          before.insert(before.end(),
                        {std::uint8_t(entries[i - 1].row.page >> 16),
                         std::uint8_t(entries[i - 1].row.page >> 8),
                         std::uint8_t(entries[i - 1].row.page), entries[i - 1].row.slot});
          after.insert(after.end(), {std::uint8_t(entries[i].row.page >> 16),
                                     std::uint8_t(entries[i].row.page >> 8),
                                     std::uint8_t(entries[i].row.page), entries[i].row.slot});
          EXPECT_LT(before, after) << "entry " << i;
        }
        ++indexesChecked;
      }
    }
  }
  EXPECT_GT(indexesChecked, 20);
}

}  // namespace
