// Keys of GUID, binary, decimal and Date/Time Extended columns: their order
// against the values' own, the keys Access stored for them in the corpus,
// and text changes in an index that mixes them with text, on files made by
// the engine's own writer and read back by mdb-export and mdb-reader.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <random>

#include "case/case.h"
#include "engine/database.h"
#include "engine/error.h"
#include "engine/read/index_reader.h"
#include "engine/support/corpus_expected.h"
#include "engine/support/corpus_files.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "engine/support/update_support.h"
#include "engine/utf.h"
#include "engine/write/index_key.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using engine::Bytes;
using engine::JetType;
using engine::NewColumn;

Bytes keyOf(JetType type, bool ascending, std::span<const std::uint8_t> stored,
            bool legacyDecimalOrder = false) {
  Bytes key;
  const engine::KeyColumn column{type, ascending, std::nullopt, legacyDecimalOrder};
  EXPECT_TRUE(engine::appendColumnKey(key, column, true, stored, {}));
  return key;
}

// Keys of values listed in ascending order ascend, and descend in a
// descending column.
void expectKeysFollow(JetType type, const std::vector<Bytes>& storedInOrder,
                      bool legacyDecimalOrder = false) {
  for (std::size_t i = 1; i < storedInOrder.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& a = storedInOrder[i - 1];
    const auto& b = storedInOrder[i];
    EXPECT_LT(keyOf(type, true, a, legacyDecimalOrder), keyOf(type, true, b, legacyDecimalOrder));
    if (!legacyDecimalOrder) {
      EXPECT_GT(keyOf(type, false, a), keyOf(type, false, b));
    }
  }
}

Bytes decimalStored(bool negative, std::uint64_t magnitude) {
  Bytes b{static_cast<std::uint8_t>(negative ? 0x80 : 0x00)};
  const std::uint32_t words[] = {0, 0, static_cast<std::uint32_t>(magnitude >> 32),
                                 static_cast<std::uint32_t>(magnitude)};
  for (auto w : words)
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
  return b;
}

Bytes extendedDateStored(const char* digits) {
  Bytes b(digits, digits + 41);
  b.push_back(0);
  return b;
}

TEST(IndexKeyTypes, KeysSortAsTheValues) {
  // GUIDs sort as written out, though their first groups are stored
  // little-endian: {00000001-...} < {00000100-...}.
  expectKeysFollow(JetType::Guid, {Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                                   Bytes{0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                                   Bytes{0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
                                   Bytes{0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                                   Bytes{0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
  // Binary: a prefix sorts before the values it starts, across segments.
  expectKeysFollow(JetType::Binary,
                   {Bytes{0}, Bytes{0, 0}, Bytes{1}, Bytes{1, 2, 3, 4, 5, 6, 7, 8},
                    Bytes{1, 2, 3, 4, 5, 6, 7, 8, 0}, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 1},
                    Bytes{1, 2, 3, 4, 5, 6, 7, 9}, Bytes(17, 0xFF)});
  // Decimals numerically, negative ones too, in both orders ascending.
  const std::vector<Bytes> decimals = {decimalStored(true, 0x100000000ULL),
                                       decimalStored(true, 300),
                                       decimalStored(true, 2),
                                       decimalStored(false, 0),
                                       decimalStored(false, 1),
                                       decimalStored(false, 0x1FFFFFFFFULL)};
  expectKeysFollow(JetType::Decimal, decimals);
  expectKeysFollow(JetType::Decimal, decimals, true);
  // The legacy order puts negative values first descending too.
  EXPECT_LT(keyOf(JetType::Decimal, false, decimals[0], true),
            keyOf(JetType::Decimal, false, decimals[4], true));
  // Extended dates by day, then second, then fraction.
  expectKeysFollow(JetType::DateTimeExtended,
                   {extendedDateStored("0000000000000000000:0000000000000000000:7"),
                    extendedDateStored("0000000000000000000:0000000000010000000:7"),
                    extendedDateStored("0000000000000737000:0000000000000000001:7"),
                    extendedDateStored("0000000000003652058:0000000863990000000:7")});
}

TEST(IndexKeyTypes, SegmentsEndWithTheirLength) {
  const Bytes guid{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                   0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  EXPECT_EQ(keyOf(JetType::Guid, true, guid),
            (Bytes{0x7F, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x09, 0x88, 0x99, 0xAA,
                   0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x08}));
  EXPECT_EQ(keyOf(JetType::Binary, true, Bytes{0xAB}),
            (Bytes{0x7F, 0xAB, 0, 0, 0, 0, 0, 0, 0, 0x01}));
  EXPECT_EQ(keyOf(JetType::Binary, false, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}),
            (Bytes{0x80, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA, 0xF9, 0xF8, 0xF7, 0x09, 0xF6, 0xFF, 0xFF,
                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}));
  // A value of the wrong size has no key.
  Bytes key;
  EXPECT_FALSE(engine::appendColumnKey(key, {JetType::Guid, true, std::nullopt, false}, true,
                                       Bytes(15, 0), {}));
}

bool coversNewType(const engine::TableDefinition& table, const engine::RealIndex& index,
                   std::map<std::string, std::size_t>& byType, std::size_t entries) {
  bool covers = false;
  for (const auto& c : index.columns) {
    if (c.columnPosition < 0) continue;
    const auto type =
        static_cast<JetType>(table.columns[static_cast<std::size_t>(c.columnPosition)].type);
    if (type == JetType::Guid || type == JetType::Binary || type == JetType::Decimal ||
        type == JetType::DateTimeExtended) {
      byType[std::string(engine::jetTypeName(static_cast<std::uint8_t>(type))) +
             (c.ascending ? " ascending" : " descending")] += entries;
      covers = true;
    }
  }
  return covers;
}

// Every stored entry of every index covering one of these types, in every
// corpus file, equals the key computed from its record.
TEST(IndexKeyTypes, KeysAccessStoredAreRecomputed) {
  SKIP_WITHOUT_CORPUS();
  std::map<std::string, std::size_t> byType;
  for (const auto& name : enginetest::corpusFileNames()) {
    SCOPED_TRACE(name);
    const QJsonObject expected = enginetest::expectedFor(name);
    engine::OpenOptions options;
    if (expected["password"].isString())
      options.password = expected["password"].toString().toStdU16String();
    std::unique_ptr<engine::Database> db;
    try {
      db = engine::Database::open(enginetest::corpusFile(name).string(), options);
    } catch (const engine::Error&) {
      continue;  // files the engine does not open are tested elsewhere
    }
    for (const auto& entry : db->catalogue()) {
      if (entry.type != 1) continue;
      const engine::TableDefinition* table = nullptr;
      try {
        table = &db->table(entry.name);
      } catch (const engine::Error&) {
        continue;
      }
      std::map<std::string, std::size_t> here;
      for (const auto& index : table->realIndexes) {
        const auto entries = engine::readIndexEntries(db->pager(), db->format(), *table, index);
        coversNewType(*table, index, here, entries.size());
      }
      if (here.empty()) continue;
      const auto check = updatetest::checkIndexKeys(*db, *table);
      EXPECT_EQ(check.problems, std::vector<std::string>{}) << engine::toUtf8(entry.name);
      EXPECT_EQ(check.compared, check.entries) << engine::toUtf8(entry.name);
      for (const auto& [type, n] : here) {
        byType[type] += n;
        std::cout << name << " " << engine::toUtf8(entry.name) << ": " << n << " " << type
                  << " entries\n";
      }
    }
  }
  // What the corpus holds: no decimal index, binary ones ascending only.
  for (const char* held : {"GUID ascending", "GUID descending", "Binary ascending",
                           "DateTimeExtended ascending", "DateTimeExtended descending"})
    EXPECT_GT(byType[held], 0u) << held;
}

// A table whose indexes mix text with every one of these types.
engine::NewTable mixedTable(int rows) {
  std::mt19937 random(11);
  engine::NewTable table;
  table.name = u"Mixed";
  NewColumn decimal{u"Amount", NewColumn::Type::Decimal};
  decimal.precision = 18;
  decimal.scale = 2;
  NewColumn binary{u"Code", NewColumn::Type::Binary, 40};
  table.columns = {testsupport::column(u"Id", NewColumn::Type::Long),
                   testsupport::textColumn(u"Name", 120),
                   testsupport::column(u"Ref", NewColumn::Type::GUID),
                   binary,
                   decimal,
                   testsupport::column(u"When", NewColumn::Type::DateTimeExtended)};
  table.indexes = {{u"PrimaryKey", {u"Id"}, true, true},
                   {u"ByAll", {u"Name", u"Ref", u"Code", u"Amount", u"When"}, false, false},
                   {u"ByRefName", {u"Ref", u"Name"}, false, true},
                   {u"ByCodeAmountName", {u"Code", u"Amount", u"Name"}, false, false},
                   {u"ByWhenName", {u"When", u"Name"}, false, false}};
  const std::u16string_view pieces[] = {u"ı",      u"µ", u"ſ", u"ϐ", u"Ǆ", u"a",
                                        u"Straße", u"é", u"ж", u"i", u" ", u"Işık"};
  std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 40), small(0, 5);
  std::uniform_int_distribution<std::int64_t> amount(0, 99999999999LL);
  std::uniform_int_distribution<std::int64_t> ticks(0, 3652058LL * 86400 * 10000000);
  for (int i = 0; i < rows; ++i) {
    std::u16string name;
    for (int p = 0; p < 3; ++p) name += pieces[piece(random)];
    name += u" " + engine::fromUtf8(std::to_string(i));
    engine::Guid guid;
    for (auto& b : guid.bytes) b = static_cast<std::uint8_t>(byte(random));
    Bytes code(static_cast<std::size_t>(length(random)));
    for (auto& b : code) b = static_cast<std::uint8_t>(small(random));
    const std::int64_t cents = amount(random);
    engine::Decimal d{cents % 3 == 0, 2, 0, static_cast<std::uint64_t>(cents)};
    const bool nulls = i % 7 == 0;  // some records leave the other fields null
    table.rows.push_back(
        {std::int32_t{i}, engine::Text(name), nulls ? engine::Value::null() : engine::Value(guid),
         nulls ? engine::Value::null() : engine::Value(code),
         nulls ? engine::Value::null() : engine::Value(d),
         nulls ? engine::Value::null() : engine::Value(engine::DateTimeExtended{ticks(random)})});
  }
  return table;
}

// A value as mdb-reader writes it in its JSON.
QJsonValue readerForm(const engine::Value& v) {
  if (v.isNull()) return QJsonValue::Null;
  if (v.is<std::int32_t>()) return v.as<std::int32_t>();
  if (v.isText()) return QString::fromStdU16String(v.text());
  if (v.is<engine::Bytes>()) {
    const auto& b = v.as<engine::Bytes>();
    return QJsonObject{{"hex", QString(QByteArray(reinterpret_cast<const char*>(b.data()),
                                                  static_cast<qsizetype>(b.size()))
                                           .toHex())}};
  }
  char text[64];
  if (v.is<engine::Guid>()) {
    const auto& b = v.as<engine::Guid>().bytes;
    std::snprintf(text, sizeof text,
                  "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return QString(text);
  }
  if (v.is<engine::Decimal>()) {
    const auto& d = v.as<engine::Decimal>();
    EXPECT_EQ(d.high, 0u);  // the table's amounts fit 64 bits
    std::string digits = std::to_string(d.low);
    if (digits.size() <= d.scale) digits.insert(0, d.scale + 1 - digits.size(), '0');
    if (d.scale > 0) digits.insert(digits.size() - d.scale, ".");
    return QString::fromStdString((d.negative && d.low != 0 ? "-" : "") + digits);
  }
  if (v.is<engine::DateTimeExtended>()) {
    using namespace std::chrono;
    constexpr std::int64_t kTicksPerSecond = 10000000;
    const std::int64_t ticks = v.as<engine::DateTimeExtended>().ticks;
    const std::int64_t seconds = ticks / kTicksPerSecond;
    const year_month_day day{sys_days{year{1} / January / 1} + days{seconds / 86400}};
    std::snprintf(text, sizeof text, "%04d.%02u.%02u %02lld:%02lld:%02lld.%07lld00",
                  static_cast<int>(day.year()), static_cast<unsigned>(day.month()),
                  static_cast<unsigned>(day.day()), static_cast<long long>(seconds % 86400 / 3600),
                  static_cast<long long>(seconds % 3600 / 60), static_cast<long long>(seconds % 60),
                  static_cast<long long>(ticks % kTicksPerSecond));
    return QString(text);
  }
  ADD_FAILURE() << "a value of another type";
  return QJsonValue::Undefined;
}

// The records as mdb-reader reads them, against the engine's.
void expectMdbReaderReadsTheRecords(engine::Database& db, const std::filesystem::path& path) {
  const auto& table = db.table(u"Mixed");
  std::map<std::int32_t, QJsonArray> want;
  auto scan = db.scan(table);
  engine::Row row;
  while (scan->next(row)) {
    QJsonArray values;
    for (const auto& v : row.values) values.append(readerForm(v));
    want[row.values[0].as<std::int32_t>()] = values;
  }
  const auto rows = createtest::mdbReaderTables(path)["Mixed"].toObject()["rows"].toArray();
  ASSERT_EQ(static_cast<std::size_t>(rows.size()), want.size());
  int shown = 0;
  for (const auto& r : rows) {
    const auto got = r.toArray();
    const auto it = want.find(got.at(0).toInt());
    ASSERT_NE(it, want.end());
    if (got != it->second && shown++ < 5)
      ADD_FAILURE() << "mdb-reader reads "
                    << QJsonDocument(got).toJson(QJsonDocument::Compact).toStdString() << " for "
                    << QJsonDocument(it->second).toJson(QJsonDocument::Compact).toStdString();
  }
}

std::vector<std::string> sortedNames(engine::Database& db) {
  const auto& table = db.table(u"Mixed");
  const auto position = static_cast<std::size_t>(table.columnIndex(u"Name"));
  std::vector<std::string> names;
  auto scan = db.scan(table);
  engine::Row row;
  while (scan->next(row)) names.push_back(engine::toUtf8(row.values[position].text()));
  std::sort(names.begin(), names.end());
  return names;
}

class UpdateIndexTypesTest : public ::testing::Test {
 protected:
  testsupport::TempDir dir_;
};

TEST_F(UpdateIndexTypesTest, TextChangesInMixedIndexesMoveEveryEntry) {
  for (const char* file : {"mixed.mdb", "mixed.accdb"}) {
    SCOPED_TRACE(file);
    const auto path = testsupport::makeDatabase(dir_.path() / file, {mixedTable(600)});
    for (Case::CaseMode mode : {Case::CaseMode::Upper, Case::CaseMode::Lower}) {
      {
        auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
        const auto& table = db->table(u"Mixed");
        const int name = table.columnIndex(u"Name");
        auto scan = db->scan(table);
        std::vector<std::pair<engine::RowId, std::u16string>> rows;
        engine::Row row;
        while (scan->next(row))
          rows.emplace_back(row.id, row.values[static_cast<std::size_t>(name)].text());
        scan.reset();
        for (const auto& [id, text] : rows)
          EXPECT_NO_THROW(db->updateText(table, id, name, Case::Convert(mode, text)));
        db->commit();
      }
      auto db = engine::Database::open(path.string());
      const auto& table = db->table(u"Mixed");
      EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
      EXPECT_EQ(updatetest::missingIndexEntries(*db, table), std::vector<std::string>{});
      const auto check = updatetest::checkIndexKeys(*db, table, true);
      EXPECT_EQ(check.problems, std::vector<std::string>{});
      EXPECT_EQ(check.compared, check.entries);
      EXPECT_EQ(check.entries, 5u * 600u);
      const auto names = sortedNames(*db);
      for (const auto& n : names)
        EXPECT_EQ(n, engine::toUtf8(Case::Convert(mode, engine::fromUtf8(n))));
      if (createtest::haveMdbTools()) {
        auto rows = createtest::mdbExport(path, "Mixed");
        ASSERT_EQ(rows.size(), names.size() + 1) << "mdb-export";
        std::vector<std::string> got;
        for (std::size_t i = 1; i < rows.size(); ++i) got.push_back(rows[i].at(1));
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, names) << "mdb-export";
      }
      if (createtest::haveMdbReader()) expectMdbReaderReadsTheRecords(*db, path);
    }
  }
}

}  // namespace
