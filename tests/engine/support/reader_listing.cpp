#include "engine/support/reader_listing.h"

#include <gtest/gtest.h>

#include <QJsonArray>

#include "engine/database.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "engine/utf.h"

namespace readerlisting {

Listing engineListing(const std::filesystem::path& path, const std::u16string& table) {
  Listing listing;
  auto db = engine::Database::open(path.string());
  auto scan = db->scan(db->table(table));
  engine::Row row;
  while (scan->next(row)) {
    std::vector<std::string> texts;
    for (std::size_t c = 1; c < row.values.size(); ++c)
      texts.push_back(row.values[c].isText() ? engine::toUtf8(row.values[c].text()) : "");
    listing.add(std::to_string(row.values[0].as<std::int32_t>()), texts);
  }
  return listing;
}

Listing exportListing(const std::filesystem::path& path, const std::string& table) {
  Listing listing;
  auto lines = createtest::mdbExport(path, table);
  for (std::size_t i = 1; i < lines.size(); ++i)
    listing.add(lines[i].at(0), std::vector<std::string>(lines[i].begin() + 1, lines[i].end()));
  return listing;
}

Listing readerListing(const std::filesystem::path& path, const std::string& table) {
  Listing listing;
  for (const auto& value : createtest::mdbReaderTables(path)[QString::fromStdString(table)]
                               .toObject()["rows"]
                               .toArray()) {
    QJsonArray fields = value.toArray();
    std::vector<std::string> texts;
    for (qsizetype c = 1; c < fields.size(); ++c)
      texts.push_back(fields[c].toString().toStdString());
    listing.add(std::to_string(fields[0].toInt()), texts);
  }
  return listing;
}

void expectReadersAgree(const std::filesystem::path& path, const std::u16string& table) {
  const Listing mine = engineListing(path, table);
  EXPECT_EQ(mine.duplicates, std::vector<std::string>{});
  const std::string table8 = engine::toUtf8(table);
  if (createtest::haveMdbTools()) {
    const Listing exported = exportListing(path, table8);
    EXPECT_EQ(exported.duplicates, std::vector<std::string>{}) << "mdb-export";
    EXPECT_TRUE(exported.records == mine.records) << "mdb-export";
  }
  if (createtest::haveMdbReader()) {
    const Listing read = readerListing(path, table8);
    EXPECT_EQ(read.duplicates, std::vector<std::string>{}) << "mdb-reader";
    EXPECT_TRUE(read.records == mine.records) << "mdb-reader";
  }
}

}  // namespace readerlisting
