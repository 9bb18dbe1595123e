// Long values of every storage form and tables spanning many pages, read back
// by mdbtools and mdb-reader.

#include <gtest/gtest.h>

#include <string>

#include "engine/new_database.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "support/shared_dir.h"

namespace {

using engine::NewColumn;
using engine::NewDatabase;
using engine::NewTable;
using Type = NewColumn::Type;

std::u16string pattern(std::size_t length, char16_t base) {
  std::u16string text(length, u' ');
  for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char16_t>(base + i % 26);
  return text;
}

std::string utf8(const std::u16string& text) {
  return QString::fromStdU16String(text).toStdString();
}

class CreateLargeTest : public ::testing::Test {
 protected:
  testsupport::TempDir dir_;
};

TEST_F(CreateLargeTest, MemosOfEveryStorageFormReadBack) {
  // Inline (<= 64 bytes), single LVAL row, a chain of rows; compressible and
  // not (Cyrillic); 100,000 characters.
  const std::u16string memos[] = {u"short",
                                  pattern(40, u'a'),
                                  pattern(1000, u'a'),
                                  pattern(3000, u'A'),
                                  pattern(1500, u'а'),
                                  pattern(100000, u'a'),
                                  pattern(150000, u'Ж'),
                                  std::u16string(64, u'x')};
  NewDatabase db;
  NewTable table;
  table.name = u"Memos";
  table.columns = {{u"N", Type::Long}, {u"Body", Type::Memo}, {u"Data", Type::OLE}};
  for (std::size_t i = 0; i < std::size(memos); ++i) {
    engine::Bytes blob(i * 3000, static_cast<std::uint8_t>(i));
    table.rows.push_back({static_cast<std::int32_t>(i), engine::Text(memos[i]), blob});
  }
  db.tables.push_back(table);
  auto path = dir_.path() / "memos.mdb";
  engine::createDatabase(path, db);
  if (createtest::haveMdbReader()) {
    auto rows = createtest::mdbReaderTables(path).value("Memos").toObject().value("rows").toArray();
    ASSERT_EQ(rows.size(), static_cast<int>(std::size(memos)));
    for (std::size_t i = 0; i < std::size(memos); ++i) {
      auto row = rows[static_cast<int>(i)].toArray();
      EXPECT_TRUE(row[1].toString().toStdString() == utf8(memos[i])) << "memo " << i;
      EXPECT_EQ(row[2].toObject().value("hex").toString().size(), static_cast<int>(i * 6000)) << i;
    }
  }
  if (createtest::haveMdbTools()) {
    auto rows = createtest::mdbExport(path, "Memos");
    ASSERT_EQ(rows.size(), std::size(memos) + 1);
    // mdbtools cuts memos at 65,536 bytes of UTF-8 on output; compare up to that.
    for (std::size_t i = 0; i < std::size(memos); ++i) {
      const auto expected = utf8(memos[i]);
      const auto& got = rows[i + 1][1];
      EXPECT_TRUE(expected.size() < 65536 ? got == expected
                                          : got.size() >= 65000 && expected.starts_with(got))
          << "memo " << i << ": " << got.size() << " bytes";
      EXPECT_EQ(rows[i + 1][2].size(), i * 6000) << i;
    }
  }
}

TEST_F(CreateLargeTest, TwentyThousandRowsSpanManyPages) {
  constexpr int kRows = 20000;
  NewDatabase db;
  NewTable table;
  table.name = u"Many Rows";
  table.columns = {{u"Id", Type::Long}, {u"Label", Type::Text, 120}, {u"Note", Type::Memo}};
  for (int i = 0; i < kRows; ++i) {
    auto label = u"Row " + QString::number(i).toStdU16String() + u" " + pattern(100, u'a');
    engine::Value note = i % 7 == 0 ? engine::Value(engine::Text(pattern(100 + i % 300, u'a')))
                                    : engine::Value::null();
    table.rows.push_back({std::int32_t{i}, engine::Text(label), note});
  }
  db.tables.push_back(table);
  auto path = dir_.path() / "many.mdb";
  engine::createDatabase(path, db);
  EXPECT_GT(std::filesystem::file_size(path) / 4096, 512u);  // beyond an inline map's reach
  if (createtest::haveMdbReader()) {
    auto rows =
        createtest::mdbReaderTables(path).value("Many Rows").toObject().value("rows").toArray();
    ASSERT_EQ(rows.size(), kRows);
    for (int i = 0; i < kRows; i += 997) {
      auto row = rows[i].toArray();
      EXPECT_EQ(row[0].toInt(), i);
      EXPECT_TRUE(row[1].toString().startsWith(QString("Row %1 abc").arg(i)));
      EXPECT_EQ(row[2].isNull(), i % 7 != 0);
    }
  }
  if (createtest::haveMdbTools()) {
    auto rows = createtest::mdbExport(path, "Many Rows");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows + 1));
    for (int i = 0; i < kRows; ++i) ASSERT_EQ(rows[i + 1][0], std::to_string(i));
  }
}

TEST_F(CreateLargeTest, WideRowsFillPagesOneByOne) {
  NewDatabase db;
  NewTable table;
  table.name = u"Wide";
  for (int c = 0; c < 7; ++c)
    table.columns.push_back({u"Text " + QString::number(c).toStdU16String(), Type::Text, 255});
  for (int r = 0; r < 50; ++r) {
    std::vector<engine::Value> row;
    for (int c = 0; c < 7; ++c)
      row.push_back(engine::Text(pattern(255, u'Ā')));  // not compressible
    table.rows.push_back(row);
  }
  db.tables.push_back(table);
  auto path = dir_.path() / "wide.mdb";
  engine::createDatabase(path, db);
  SKIP_WITHOUT_MDBTOOLS();
  auto rows = createtest::mdbExport(path, "Wide");
  ASSERT_EQ(rows.size(), 51u);
  EXPECT_EQ(rows[50][6], utf8(pattern(255, u'Ā')));
}

TEST_F(CreateLargeTest, DefinitionSpanningSeveralPages) {
  // 150 columns with long names need a chain of TDEF pages.
  NewDatabase db;
  NewTable table;
  table.name = u"Many Columns";
  std::vector<engine::Value> row;
  for (int c = 0; c < 150; ++c) {
    auto name = u"A rather long column name number " + QString::number(c).toStdU16String();
    table.columns.push_back({name, c % 2 ? Type::Long : Type::Text, 20});
    engine::Text text = u"v";
    text.append(name, 33);
    row.push_back(c % 2 ? engine::Value(std::int32_t{c}) : engine::Value(text));
  }
  table.rows.push_back(row);
  db.tables.push_back(table);
  auto path = dir_.path() / "columns.mdb";
  engine::createDatabase(path, db);
  auto page = createtest::readPage(path, 6);  // the table's definition (after the system tables)
  EXPECT_EQ(page[0], 0x02);
  EXPECT_NE(page[4] | page[5] | page[6] | page[7], 0) << "expected a continuation page";
  if (createtest::haveMdbReader()) {
    auto read = createtest::mdbReaderTables(path).value("Many Columns").toObject();
    EXPECT_EQ(read.value("columns").toArray().size(), 150);
    auto values = read.value("rows").toArray()[0].toArray();
    EXPECT_EQ(values[149].toInt(), 149);
    EXPECT_EQ(values[148].toString(), "v148");
  }
  if (createtest::haveMdbTools()) {
    auto rows = createtest::mdbExport(path, "Many Columns");
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[1].size(), 150u);
    EXPECT_EQ(rows[1][149], "149");
  }
}

}  // namespace
