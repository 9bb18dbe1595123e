// Files made by the database creator, read back by mdbtools and mdb-reader:
// empty databases in both formats, every column type, nulls and empty texts,
// non-ASCII text and names with blanks.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/error.h"
#include "engine/new_database.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "support/shared_dir.h"

namespace {

using engine::NewColumn;
using engine::NewDatabase;
using engine::NewTable;
using Type = NewColumn::Type;

bool contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// mdb-export -b hex also writes GUIDs (as their text) in hex.
std::string hex(const std::string& text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string utf8(const QJsonValue& value) { return value.toString().toStdString(); }

class CreateDatabaseTest : public ::testing::Test {
 protected:
  std::filesystem::path file(const char* name) const { return dir_.path() / name; }
  testsupport::TempDir dir_;
};

engine::Guid sampleGuid() {
  engine::Guid guid;
  for (int i = 0; i < 16; ++i) guid.bytes[i] = static_cast<std::uint8_t>(0x10 + i);
  return guid;
}

NewTable everyTypeTable() {
  NewTable table;
  table.name = u"Every Type";
  table.columns = {{u"Id", Type::Long},        {u"Short Text", Type::Text, 40},
                   {u"Notes", Type::Memo},     {u"Small", Type::Byte},
                   {u"Count", Type::Integer},  {u"Ratio", Type::Single},
                   {u"Measure", Type::Double}, {u"Price", Type::Currency},
                   {u"When", Type::DateTime},  {u"Done", Type::YesNo},
                   {u"Blob", Type::OLE},       {u"Key", Type::GUID}};
  table.rows.push_back({std::int32_t{-7}, engine::Text(u"Hello, \"world\""),
                        engine::Text(u"A short memo"), std::uint8_t{255}, std::int16_t{-32768},
                        1.5f, 2.25, engine::Currency{123456}, engine::DateTime{45000.5}, true,
                        engine::Bytes{1, 2, 3, 0xFF}, sampleGuid()});
  table.rows.push_back({std::int32_t{2147483647}, engine::Value::null(), engine::Value::null(),
                        engine::Value::null(), engine::Value::null(), engine::Value::null(),
                        engine::Value::null(), engine::Value::null(), engine::Value::null(), false,
                        engine::Value::null(), engine::Value::null()});
  table.rows.push_back({std::int32_t{0}, engine::Text(u""), engine::Text(u""), std::uint8_t{0},
                        std::int16_t{32767}, -0.25f, -1e100, engine::Currency{-5000},
                        engine::DateTime{-1.0}, false, engine::Bytes{}, engine::Value::null()});
  return table;
}

TEST_F(CreateDatabaseTest, EmptyJet4DatabaseOpensInBothReaders) {
  NewDatabase db;
  engine::createDatabase(file("empty.mdb"), db);
  EXPECT_EQ(std::filesystem::file_size(file("empty.mdb")) % 4096, 0u);
  auto page0 = createtest::readPage(file("empty.mdb"), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(page0.data() + 4)), "Standard Jet DB");
  EXPECT_EQ(page0[0x14], 0x01);
  if (createtest::haveMdbTools()) {
    EXPECT_TRUE(createtest::mdbTables(file("empty.mdb")).empty());
    auto system = createtest::mdbTables(file("empty.mdb"), true);
    for (auto name : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"})
      EXPECT_TRUE(contains(system, name)) << name;
  }
  if (createtest::haveMdbReader()) {
    EXPECT_TRUE(createtest::mdbReaderTables(file("empty.mdb")).isEmpty());
  }
}

TEST_F(CreateDatabaseTest, EmptyAce12DatabaseOpensInBothReaders) {
  NewDatabase db;
  db.format = NewDatabase::Format::Ace12;
  engine::createDatabase(file("empty.accdb"), db);
  auto page0 = createtest::readPage(file("empty.accdb"), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(page0.data() + 4)), "Standard ACE DB");
  EXPECT_EQ(page0[0x14], 0x02);
  if (createtest::haveMdbTools()) {
    EXPECT_TRUE(createtest::mdbTables(file("empty.accdb")).empty());
    EXPECT_TRUE(contains(createtest::mdbTables(file("empty.accdb"), true), "MSysComplexColumns"));
  }
  if (createtest::haveMdbReader()) {
    EXPECT_TRUE(createtest::mdbReaderTables(file("empty.accdb")).isEmpty());
  }
}

TEST_F(CreateDatabaseTest, EveryColumnTypeReadsBackInMdbReader) {
  SKIP_WITHOUT_MDB_READER();
  for (auto format : {NewDatabase::Format::Jet4, NewDatabase::Format::Ace12}) {
    NewDatabase db;
    db.format = format;
    db.tables.push_back(everyTypeTable());
    auto path = file(format == NewDatabase::Format::Jet4 ? "types.mdb" : "types.accdb");
    engine::createDatabase(path, db);
    auto table = createtest::mdbReaderTables(path).value("Every Type").toObject();
    auto columns = table.value("columns").toArray();
    ASSERT_EQ(columns.size(), 12);
    EXPECT_EQ(utf8(columns[1]), "Short Text");
    auto rows = table.value("rows").toArray();
    ASSERT_EQ(rows.size(), 3);
    auto first = rows[0].toArray();
    EXPECT_EQ(first[0].toInt(), -7);
    EXPECT_EQ(utf8(first[1]), "Hello, \"world\"");
    EXPECT_EQ(utf8(first[2]), "A short memo");
    EXPECT_EQ(first[3].toInt(), 255);
    EXPECT_EQ(first[4].toInt(), -32768);
    EXPECT_DOUBLE_EQ(first[5].toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(first[6].toDouble(), 2.25);
    EXPECT_EQ(utf8(first[7]), "12.3456");
    EXPECT_EQ(utf8(first[8]), "2023-03-15T12:00:00.000Z");
    EXPECT_TRUE(first[9].toBool());
    EXPECT_EQ(utf8(first[10].toObject().value("hex")), "010203ff");
    EXPECT_EQ(utf8(first[11]), "13121110-1514-1716-1819-1a1b1c1d1e1f");

    auto nulls = rows[1].toArray();
    EXPECT_EQ(nulls[0].toInt(), 2147483647);
    for (int i : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11}) EXPECT_TRUE(nulls[i].isNull()) << i;
    EXPECT_FALSE(nulls[9].toBool());

    auto empties = rows[2].toArray();
    EXPECT_EQ(utf8(empties[1]), "");
    EXPECT_FALSE(empties[1].isNull());
    EXPECT_EQ(utf8(empties[2]), "");
    EXPECT_EQ(empties[4].toInt(), 32767);
    EXPECT_DOUBLE_EQ(empties[5].toDouble(), -0.25);
    EXPECT_DOUBLE_EQ(empties[6].toDouble(), -1e100);
    EXPECT_EQ(utf8(empties[7]), "-0.5000");
    EXPECT_EQ(utf8(empties[8]), "1899-12-29T00:00:00.000Z");
  }
}

TEST_F(CreateDatabaseTest, EveryColumnTypeReadsBackInMdbTools) {
  SKIP_WITHOUT_MDBTOOLS();
  NewDatabase db;
  db.tables.push_back(everyTypeTable());
  engine::createDatabase(file("types.mdb"), db);
  EXPECT_EQ(createtest::mdbTables(file("types.mdb")), std::vector<std::string>{"Every Type"});
  auto schema = createtest::mdbSchema(file("types.mdb"));
  for (auto line :
       {"[Short Text]\t\t\tText (40)", "[Notes]\t\t\tMemo/Hyperlink", "[Small]\t\t\tByte",
        "[Count]\t\t\tInteger", "[Ratio]\t\t\tSingle", "[Measure]\t\t\tDouble",
        "[Price]\t\t\tCurrency", "[When]\t\t\tDateTime", "[Done]\t\t\tBoolean", "[Blob]\t\t\tOLE",
        "[Key]\t\t\tReplication ID", "[Id]\t\t\tLong Integer"})
    EXPECT_NE(schema.find(line), std::string::npos) << line;
  auto rows = createtest::mdbExport(file("types.mdb"), "Every Type");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][1], "Short Text");
  const std::vector<std::string> expected{"-7", "Hello, \"world\"", "A short memo", "255", "-32768",
                                          "1.5", "2.25", "12.3456", "2023-03-15 12:00:00", "1",
                                          "010203FF",
                                          // mdbtools leaves out the fourth dash
                                          hex("{13121110-1514-1716-18191A1B1C1D1E1F}")};
  ASSERT_EQ(rows[1].size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(rows[1][i], expected[i]) << i;
  EXPECT_EQ(rows[2],
            (std::vector<std::string>{"2147483647", "", "", "", "", "", "", "", "", "0", "", ""}));
  EXPECT_EQ(rows[3][4], "32767");
  EXPECT_EQ(rows[3][7], "-0.5000");
}

TEST_F(CreateDatabaseTest, NonAsciiTextAndNamesWithBlanks) {
  const std::u16string texts[] = {u"café crème", u"Straße", u"Ελληνικά γράμματα", u"Русский текст",
                                  u"中文字符",   u"ÿ",      u"mixed é and Ω"};
  NewDatabase db;
  NewTable table;
  table.name = u"Städte und Länder";
  table.columns = {{u"Row Number", Type::Long},
                   {u"Some Text", Type::Text, 100},
                   {u"Long Text", Type::Memo},
                   {u"Uncompressed", Type::Text, 100, false}};
  for (std::size_t i = 0; i < std::size(texts); ++i)
    table.rows.push_back({static_cast<std::int32_t>(i), engine::Text(texts[i]),
                          engine::Text(texts[i]), engine::Text(texts[i])});
  db.tables.push_back(table);
  engine::createDatabase(file("text.mdb"), db);
  auto expected = [&](std::size_t i) { return QString::fromStdU16String(texts[i]).toStdString(); };
  if (createtest::haveMdbReader()) {
    auto read = createtest::mdbReaderTables(file("text.mdb"));
    auto rows =
        read.value(QString::fromUtf8("Städte und Länder")).toObject().value("rows").toArray();
    ASSERT_EQ(rows.size(), static_cast<int>(std::size(texts)));
    for (std::size_t i = 0; i < std::size(texts); ++i) {
      EXPECT_EQ(utf8(rows[static_cast<int>(i)].toArray()[1]), expected(i));
      EXPECT_EQ(utf8(rows[static_cast<int>(i)].toArray()[2]), expected(i));
      EXPECT_EQ(utf8(rows[static_cast<int>(i)].toArray()[3]), expected(i));
    }
  }
  if (createtest::haveMdbTools()) {
    auto rows = createtest::mdbExport(file("text.mdb"), "Städte und Länder");
    ASSERT_EQ(rows.size(), std::size(texts) + 1);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"Row Number", "Some Text", "Long Text", "Uncompressed"}));
    for (std::size_t i = 0; i < std::size(texts); ++i) {
      EXPECT_EQ(rows[i + 1][1], expected(i));
      EXPECT_EQ(rows[i + 1][3], expected(i));
    }
  }
}

TEST_F(CreateDatabaseTest, SeveralTablesKeepTheirOwnRows) {
  NewDatabase db;
  for (int t = 0; t < 5; ++t) {
    NewTable table;
    table.name = u"Table " + std::u16string(1, static_cast<char16_t>(u'A' + t));
    table.columns = {{u"N", Type::Long}};
    for (int r = 0; r <= t; ++r) table.rows.push_back({std::int32_t{t * 100 + r}});
    db.tables.push_back(table);
  }
  engine::createDatabase(file("several.mdb"), db);
  SKIP_WITHOUT_MDBTOOLS();
  EXPECT_EQ(createtest::mdbTables(file("several.mdb")).size(), 5u);
  auto rows = createtest::mdbExport(file("several.mdb"), "Table D");
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[4][0], "303");
}

}  // namespace
