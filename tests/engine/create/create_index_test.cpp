// Indexes of created databases walked the way a reader walks them (docs/file-format.md, Index
// pages): from the root of each real index through node entries and tail pages down to the leaves.
// Every row must be found exactly once, in key order, and each entry must point at the row its key
// was made from.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "engine/error.h"
#include "engine/new_database.h"
#include "engine/support/create_test_readers.h"
#include "engine/text/text_key.h"
#include "support/shared_dir.h"

namespace {

using engine::NewColumn;
using engine::NewDatabase;
using engine::NewTable;
using Type = NewColumn::Type;
using Bytes = std::vector<std::uint8_t>;

std::uint16_t u16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t u32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

struct LeafEntry {
  Bytes key;
  std::uint32_t page;
  std::uint8_t row;
};

// A minimal reader of what the tests need from a file.
class FileView {
 public:
  explicit FileView(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
  }
  Bytes page(std::uint32_t n) const {
    return Bytes(bytes_.begin() + n * 4096, bytes_.begin() + (n + 1) * 4096);
  }
  std::uint32_t pageCount() const { return static_cast<std::uint32_t>(bytes_.size() / 4096); }

  // The first definition page of a user-type table (0x4E) holding `rows` rows.
  std::uint32_t userTableDefinition(std::uint32_t rows = 0) const {
    for (std::uint32_t p = 3; p < pageCount(); ++p) {
      auto b = page(p);
      if (b[0] == 0x02 && b[1] == 0x01 && b[40] == 0x4E && u32(b, 16) == rows) return p;
    }
    return 0;
  }

  // Root pages of the real indexes of a single-page definition.
  std::vector<std::uint32_t> indexRoots(std::uint32_t definition) const {
    auto b = page(definition);
    const auto columns = u16(b, 45);
    const auto realIndexes = u32(b, 51);
    std::size_t at = 63 + 12 * realIndexes + 25 * columns;
    for (int c = 0; c < columns; ++c) at += 2 + u16(b, at);
    std::vector<std::uint32_t> roots;
    for (std::uint32_t i = 0; i < realIndexes; ++i) roots.push_back(u32(b, at + 52 * i + 38));
    return roots;
  }

  void walk(std::uint32_t pageNumber, std::vector<LeafEntry>& out, int depth = 0) const {
    ASSERT_LT(depth, 8);
    auto b = page(pageNumber);
    ASSERT_TRUE(b[0] == 0x03 || b[0] == 0x04) << "page " << pageNumber;
    const auto prefix = u16(b, 24);
    std::vector<Bytes> entries;
    std::size_t start = 0x1E0;
    for (std::size_t bit = 0; bit < 453 * 8; ++bit) {
      if (!(b[27 + bit / 8] & (1 << (bit % 8)))) continue;
      Bytes entry(b.begin() + static_cast<std::ptrdiff_t>(start),
                  b.begin() + 0x1E0 + static_cast<std::ptrdiff_t>(bit));
      if (!entries.empty())
        entry.insert(entry.begin(), entries.front().begin(), entries.front().begin() + prefix);
      entries.push_back(entry);
      start = 0x1E0 + bit;
    }
    if (b[0] == 0x04) {
      for (const auto& e : entries) {
        const auto n = e.size();
        out.push_back({Bytes(e.begin(), e.end() - 4),
                       static_cast<std::uint32_t>((e[n - 4] << 16) | (e[n - 3] << 8) | e[n - 2]),
                       e[n - 1]});
      }
      return;
    }
    std::set<std::uint32_t> children;
    for (const auto& e : entries) {
      const auto n = e.size();
      std::uint32_t child = (static_cast<std::uint32_t>(e[n - 4]) << 24) | (e[n - 3] << 16) |
                            (e[n - 2] << 8) | e[n - 1];
      children.insert(child);
      walk(child, out, depth + 1);
    }
    const auto tail = u32(b, 20);
    if (tail != 0 && !children.count(tail)) walk(tail, out, depth + 1);
  }

  // The bytes of row `row` on data page `pageNumber`.
  Bytes row(std::uint32_t pageNumber, std::uint8_t row) const {
    auto b = page(pageNumber);
    std::size_t start = u16(b, 14 + 2 * row) & 0x1FFF;
    std::size_t end = row == 0 ? 4096 : (u16(b, 14 + 2 * (row - 1)) & 0x1FFF);
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(start),
                 b.begin() + static_cast<std::ptrdiff_t>(end));
  }

 private:
  Bytes bytes_;
};

class CreateIndexTest : public ::testing::Test {
 protected:
  testsupport::TempDir dir_;
};

std::u16string nameFor(int i) {
  static const char16_t* first[] = {u"O'Brien", u"smith",        u"MÜLLER-LÜDENSCHEIDT",
                                    u"García",  u"van der Berg", u"ZOË"};
  const std::string number = std::to_string((i * 7919) % 20011);
  return std::u16string(first[i % 6]) + u" " + std::u16string(number.begin(), number.end());
}

class CreateIndexFormatTest : public ::testing::TestWithParam<NewDatabase::Format> {
 protected:
  testsupport::TempDir dir_;
};

INSTANTIATE_TEST_SUITE_P(BothFormats, CreateIndexFormatTest,
                         ::testing::Values(NewDatabase::Format::Jet4, NewDatabase::Format::Ace12));

TEST_P(CreateIndexFormatTest, EveryRowIsFoundOnceInKeyOrder) {
  constexpr int kRows = 20000;  // several leaf pages and more than one level of nodes
  NewDatabase db;
  db.format = GetParam();
  NewTable table;
  table.name = u"People";
  table.columns = {{u"Id", Type::Long}, {u"Name", Type::Text, 60}, {u"Score", Type::Double}};
  table.indexes = {{u"PrimaryKey", {u"Id"}, true, true},
                   {u"ByName", {u"Name"}, false, false},
                   {u"ByScoreAndName", {u"Score", u"Name"}, false, false}};
  for (int i = 0; i < kRows; ++i) {
    engine::Value score =
        i % 10 == 0 ? engine::Value::null() : engine::Value(double((i * 37) % 1000) - 500.5);
    table.rows.push_back({std::int32_t{(i * 7919) % 100003}, engine::Text(nameFor(i)), score});
  }
  db.tables.push_back(table);
  auto path = dir_.path() / "indexed.mdb";
  engine::createDatabase(path, db);

  FileView file(path);
  auto definition = file.userTableDefinition(kRows);
  ASSERT_NE(definition, 0u);
  auto roots = file.indexRoots(definition);
  ASSERT_EQ(roots.size(), 3u);
  EXPECT_EQ(file.page(roots[0])[0], 0x03);  // the root is a node page

  for (std::size_t index = 0; index < roots.size(); ++index) {
    std::vector<LeafEntry> entries;
    file.walk(roots[index], entries);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kRows)) << "index " << index;
    std::set<std::pair<std::uint32_t, int>> rows;
    for (std::size_t e = 0; e < entries.size(); ++e) {
      rows.insert({entries[e].page, entries[e].row});
      if (e > 0) {
        EXPECT_LE(entries[e - 1].key, entries[e].key) << "index " << index << " entry " << e;
      }
    }
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(kRows));
    // The primary key's entries carry the row's Id.
    if (index == 0) {
      for (std::size_t e = 0; e < entries.size(); e += 101) {
        auto row = file.row(entries[e].page, entries[e].row);
        Bytes expected{0x7F, static_cast<std::uint8_t>(row[5] ^ 0x80), row[4], row[3], row[2]};
        EXPECT_EQ(entries[e].key, expected);
      }
    }
  }
  if (createtest::haveMdbTools()) {
    EXPECT_EQ(createtest::mdbExport(path, "People").size(), static_cast<std::size_t>(kRows + 1));
  }
}

TEST_F(CreateIndexTest, EmptyTableHasAnEmptyRootLeaf) {
  NewDatabase db;
  db.tables.push_back(
      {u"Empty", {{u"Name", Type::Text, 10}}, {{u"ByName", {u"Name"}, false, true}}, {}});
  auto path = dir_.path() / "empty.mdb";
  engine::createDatabase(path, db);
  FileView file(path);
  auto roots = file.indexRoots(file.userTableDefinition());
  ASSERT_EQ(roots.size(), 1u);
  auto leaf = file.page(roots[0]);
  EXPECT_EQ(leaf[0], 0x04);
  EXPECT_EQ(u16(leaf, 2), 4096 - 0x1E0);
}

TEST_F(CreateIndexTest, RefusesWhatItCannotIndexCorrectly) {
  NewDatabase db;
  db.tables.push_back({u"T",
                       {{u"Name", Type::Text, 20}},
                       {{u"ByName", {u"Name"}, false, false}},
                       {{engine::Text(u"Ελλάδα")}}});
  // Every character has a key: Greek text is indexed like any other.
  EXPECT_NO_THROW(engine::createDatabase(dir_.path() / "greek.mdb", db));
  db.tables[0].rows = {{engine::Text(u"same")}, {engine::Text(u"SAME")}};
  db.tables[0].indexes[0].unique = true;
  EXPECT_THROW(engine::createDatabase(dir_.path() / "duplicate.mdb", db), engine::Error);
  db.tables[0].rows = {{engine::Value::null()}};
  db.tables[0].indexes[0].primary = true;
  EXPECT_THROW(engine::createDatabase(dir_.path() / "nullkey.mdb", db), engine::Error);
  db.tables[0] = {u"T", {{u"Memo", Type::Memo}}, {{u"ByMemo", {u"Memo"}, false, false}}, {}};
  EXPECT_THROW(engine::createDatabase(dir_.path() / "memo.mdb", db), engine::Error);
  db.tables[0] = {u"T", {{u"Name", Type::Text, 20}}, {}, {{engine::Text(u"Ελλάδα")}}};
  EXPECT_NO_THROW(engine::createDatabase(dir_.path() / "unindexed.mdb", db));
}

}  // namespace
