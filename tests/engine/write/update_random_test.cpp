// Long random sequences of changes to the same records (seeded, so every
// run makes the same changes): texts that grow on their page and past it,
// shrink and grow again, memos that move between inline and long-value
// rows. After each batch the engine, mdb-export and mdb-reader must list
// the same records with the same values, the table definition's row count
// must agree, every index must find every row, and every row left behind
// must carry the marks Access gives a removed row, its bytes squeezed out.
// CASELOOM_RANDOM_CHANGES sets how many changes each file takes (more than
// the default for a longer run).

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <set>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/format/layout_data_page.h"
#include "engine/jet_type.h"
#include "engine/pager/pager.h"
#include "engine/support/corpus_files.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "engine/support/update_support.h"
#include "engine/utf.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

namespace dp = engine::layout::data_page;
using engine::NewColumn;
using updatetest::RowPlace;

// The files: made by our writer, or copies of corpus files (those with
// overflow rows where a format has them in a user table the engine may
// change).
struct Subject {
  std::string name;
  std::string corpusFile;  // empty: made by our writer
  bool ace = false;        // writer only: an .accdb
  std::u16string table;
  std::size_t changes = 0;  // by default
  std::size_t batches = 0;  // each checked by the engine and both other readers
};

std::vector<Subject> subjects() {
  return {{"Jet4Writer", "", false, u"Records", 2000, 8},
          {"Ace12Writer", "", true, u"Records", 2000, 8},
          {"Jet3Corpus", "test2V1997.mdb", false, u"MSP_PROJECTS", 300, 5},
          {"Jet4CorpusWithOverflowRows", "overflowTestV2003.mdb", false, u"Table1", 500, 5},
          {"Ace14Corpus", "test2V2010.accdb", false, u"MSP_PROJECTS", 300, 5}};
}

std::size_t changesFor(const Subject& subject) {
  if (const char* env = std::getenv("CASELOOM_RANDOM_CHANGES"); env && *env) return std::stoul(env);
  return subject.changes;
}

// Pages full of short rows, so that growth soon leaves the page; an
// index on Id and one on a column the test leaves alone.
std::filesystem::path writerFile(const std::filesystem::path& dir, bool ace) {
  engine::NewTable table;
  table.name = u"Records";
  table.columns = {testsupport::column(u"Id", NewColumn::Type::Long),
                   testsupport::textColumn(u"Code", 20),
                   testsupport::textColumn(u"A", 255),
                   testsupport::textColumn(u"B", 255),
                   testsupport::textColumn(u"C", 120),
                   testsupport::textColumn(u"D", 255),
                   testsupport::column(u"Notes", NewColumn::Type::Memo),
                   testsupport::column(u"When", NewColumn::Type::DateTime)};
  table.indexes = {{u"PrimaryKey", {u"Id"}, true, true}, {u"ByCode", {u"Code"}, false, false}};
  for (int i = 0; i < 300; ++i)
    table.rows.push_back({std::int32_t{i}, engine::Text(u"c" + engine::fromUtf8(std::to_string(i))),
                          engine::Text(u"a"), engine::Text(u"bb"), engine::Text(u"c"),
                          engine::Text(u""), engine::Text(u"note"), engine::DateTime{40000.0 + i}});
  return testsupport::makeDatabase(dir / (ace ? "random.accdb" : "random.mdb"), {table});
}

bool indexed(const engine::TableDefinition& table, std::uint16_t number) {
  for (const auto& index : table.realIndexes)
    for (const auto& column : index.columns)
      if (column.columnNumber == number) return true;
  return false;
}

bool propertySet(const engine::ColumnDefinition& column, std::u16string_view name) {
  const engine::Property* property = column.property(name);
  if (!property) return false;
  const engine::Value& v = property->value;
  return (v.is<bool>() && v.as<bool>()) || (v.is<std::uint8_t>() && v.as<std::uint8_t>() != 0) ||
         (v.is<std::int16_t>() && v.as<std::int16_t>() != 0) ||
         (v.is<std::int32_t>() && v.as<std::int32_t>() != 0);
}

// A column the test changes, and how large its values may get.
struct Target {
  int column = 0;
  bool memo = false;
  std::size_t maxCharacters = 0;  // text: the field's limit, capped by the row budget
};

// The text and memo columns no index covers and no rule refuses, with limits
// that keep every record within a page (a longer one is refused, not moved).
std::vector<Target> targetsOf(engine::Database& db, const engine::TableDefinition& table) {
  std::vector<std::size_t> candidates;
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    const auto& column = table.columns[c];
    const bool text = column.type == static_cast<std::uint8_t>(engine::JetType::Text);
    const bool memo = column.type == static_cast<std::uint8_t>(engine::JetType::Memo);
    if ((text || memo) && !indexed(table, column.number) && !column.isFixedLength() &&
        !column.isHyperlink() && !column.isCalculated() && !propertySet(column, u"TextFormat") &&
        !propertySet(column, u"AppendOnly"))
      candidates.push_back(c);
  }
  // The room a record has: a page less what its other fields take now (all
  // changed values together stay within it, two bytes a character).
  std::size_t longest = 0;
  {
    auto scan = db.scan(table);
    engine::Row row;
    while (scan->next(row))
      longest =
          std::max(longest, updatetest::rowLength(db, {row.storedAt.page, row.storedAt.slot}));
  }
  const std::size_t page = db.pager().pageSize() - db.format().dataHeaderSize() - 2;
  const std::size_t room = page > longest + 300 ? page - longest - 300 : 0;
  std::vector<Target> targets;
  for (std::size_t c : candidates) {
    const auto& column = table.columns[c];
    Target target{static_cast<int>(c),
                  column.type == static_cast<std::uint8_t>(engine::JetType::Memo), 0};
    if (!target.memo)
      target.maxCharacters = std::min(column.maxCharacters(db.format()),
                                      std::max<std::size_t>(room / candidates.size() / 2, 8));
    targets.push_back(target);
  }
  return targets;
}

class Values {
 public:
  Values(std::uint32_t seed, bool jet3) : random_(seed), jet3_(jet3) {}

  std::size_t below(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }
  std::size_t between(std::size_t low, std::size_t high) {
    return std::uniform_int_distribution<std::size_t>(low, high)(random_);
  }

  // A text of `length` characters from one alphabet: ASCII and Latin-1
  // ones compress, Greek and Cyrillic ones do not (Jet 3 holds code page
  // 1252 only).
  std::u16string text(std::size_t length) {
    static const std::u16string kAlphabets[] = {
        u"abcdefghij klmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ",
        u"àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿ ßÀÉÎÕÜ", u"αβγδεζηθικλμνξοπρστυφχψω ΑΒΓΔΣΩ",
        u"абвгдежзийклмнопрстуфхцчшщ ЖЗИЙ"};
    const std::u16string& alphabet = kAlphabets[below(jet3_ ? 2 : 4)];
    std::u16string out;
    for (std::size_t i = 0; i < length; ++i) out += alphabet[below(alphabet.size())];
    return out;
  }

  std::u16string forTarget(const Target& target) {
    if (target.memo) {
      const std::size_t shape = below(jet3_ ? 1 : 3);
      if (shape == 0) return text(between(0, 30));     // inline
      if (shape == 1) return text(between(80, 1500));  // one long-value row
      return text(between(2100, 6000));                // a chain of rows
    }
    const std::size_t limit = target.maxCharacters;
    switch (below(4)) {
      case 0:
        return text(between(0, std::min<std::size_t>(3, limit)));
      case 1:
        return text(between(0, std::min<std::size_t>(30, limit)));
      case 2:
        return text(between(limit / 2, limit));
      default:
        return text(limit);
    }
  }

 private:
  std::mt19937 random_;
  bool jet3_;
};

using Records = std::map<std::pair<std::uint32_t, int>, std::vector<engine::Value>>;

std::pair<std::uint32_t, int> key(engine::RowId id) { return {id.page, id.slot}; }

Records engineRecords(engine::Database& db, const engine::TableDefinition& table) {
  Records records;
  auto scan = db.scan(table);
  engine::Row row;
  while (scan->next(row)) records[key(row.id)] = row.values;
  return records;
}

// One record as another reader lists it: the changed columns' texts (in
// the order of the targets; a null shows as empty) and the other columns as
// the reader renders them.
struct Listed {
  std::vector<std::string> changed, others;
};

std::vector<Listed> exportListing(const std::filesystem::path& path, const std::string& table,
                                  const std::vector<std::string>& changedNames) {
  std::vector<Listed> listing;
  auto lines = createtest::mdbExport(path, table);
  if (lines.empty()) return listing;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    Listed record;
    for (const std::string& name : changedNames) {
      auto at = std::find(lines[0].begin(), lines[0].end(), name) - lines[0].begin();
      record.changed.push_back(lines[i].at(static_cast<std::size_t>(at)));
    }
    for (std::size_t c = 0; c < lines[0].size(); ++c)
      if (std::find(changedNames.begin(), changedNames.end(), lines[0][c]) == changedNames.end())
        record.others.push_back(lines[i].at(c));
    listing.push_back(record);
  }
  return listing;
}

std::vector<Listed> readerListing(const std::filesystem::path& path, const std::string& table,
                                  const std::vector<std::string>& changedNames) {
  std::vector<Listed> listing;
  QJsonObject json = createtest::mdbReaderTables(path)[QString::fromStdString(table)].toObject();
  std::vector<std::string> columns;
  for (const auto& name : json["columns"].toArray())
    columns.push_back(name.toString().toStdString());
  for (const auto& value : json["rows"].toArray()) {
    QJsonArray fields = value.toArray();
    Listed record;
    for (const std::string& name : changedNames) {
      auto at = std::find(columns.begin(), columns.end(), name) - columns.begin();
      record.changed.push_back(fields[static_cast<qsizetype>(at)].toString().toStdString());
    }
    for (std::size_t c = 0; c < columns.size(); ++c)
      if (std::find(changedNames.begin(), changedNames.end(), columns[c]) == changedNames.end())
        record.others.push_back(QJsonDocument(QJsonArray{fields[static_cast<qsizetype>(c)]})
                                    .toJson(QJsonDocument::Compact)
                                    .toStdString());
    listing.push_back(record);
  }
  return listing;
}

// Placeholder for a value a reader is known to misread.
constexpr char kCutShort[] = "<cut short by mdb-reader>";

// Checks a reader's listing record by record: `order` says which record each
// listed row is; the changed columns must hold the engine's texts (except
// values in `misread`), the others what the reader showed at the start.
void expectListing(const char* reader, const std::vector<Listed>& listing,
                   const std::vector<engine::RowId>& order, const Records& model,
                   const std::vector<Target>& targets,
                   const std::map<std::pair<std::uint32_t, int>, std::vector<std::string>>& others,
                   const std::set<std::pair<RowPlace, std::size_t>>& misread) {
  ASSERT_EQ(listing.size(), order.size()) << reader << " lists another number of records";
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < listing.size(); ++i) {
    const engine::RowId id = order[i];
    const std::vector<engine::Value>& values = model.at(key(id));
    std::vector<std::string> expected, actual = listing[i].changed;
    for (std::size_t t = 0; t < targets.size(); ++t) {
      const auto column = static_cast<std::size_t>(targets[t].column);
      const engine::Value& v = values[column];
      expected.push_back(v.isText() ? engine::toUtf8(v.text()) : "");
      if (misread.count({{id.page, id.slot}, column})) expected[t] = actual[t] = kCutShort;
    }
    if (expected != actual || listing[i].others != others.at(key(id))) {
      if (++wrong <= 3)
        ADD_FAILURE() << reader << ": record " << id.page << "/" << int{id.slot}
                      << " is listed with other values";
    }
  }
  EXPECT_EQ(wrong, 0u) << reader;
}

// What the engine must find after a batch: the values set, the row count,
// consistent pages with Access's marks, complete indexes, the free-space map
// right wherever the test changed pages (`wrongAtStart` lists pages whose bit
// disagreed before it began), no bytes kept by removed rows beyond those at
// the start, and the long-value rows given up in the batch removed.
void expectSound(engine::Database& db, const engine::TableDefinition& table, const Records& model,
                 const std::set<std::uint32_t>& wrongAtStart, std::size_t removedBytesAtStart,
                 const std::set<RowPlace>& longValuesBefore) {
  const Records now = engineRecords(db, table);
  EXPECT_TRUE(now == model) << "the engine reads other values than were set";
  EXPECT_EQ(table.rowCount, now.size());
  EXPECT_EQ(updatetest::consistencyProblems(db), std::vector<std::string>{});
  EXPECT_EQ(updatetest::missingIndexEntries(db, table), std::vector<std::string>{});
  std::set<std::uint32_t> wrongFreeMap = updatetest::freeMapMismatches(db, table);
  for (std::uint32_t page : wrongAtStart) wrongFreeMap.erase(page);
  EXPECT_EQ(wrongFreeMap, std::set<std::uint32_t>{}) << "free-space map out of step";
  EXPECT_LE(updatetest::removedRowBytes(db, table), removedBytesAtStart)
      << "removed rows keep bytes";
  const std::set<RowPlace> longValuesAfter = updatetest::longValueRows(db, table);
  for (const RowPlace& place : longValuesBefore) {
    if (longValuesAfter.count(place)) continue;
    EXPECT_EQ(updatetest::slotFlags(db, place), dp::kSlotRemoved)
        << "released long-value row " << place.first << "/" << int{place.second};
  }
  for (const RowPlace& place : longValuesAfter)
    EXPECT_EQ(updatetest::slotFlags(db, place) & dp::kSlotLookup, 0) << "a value's row removed";
}

void PrintTo(const Subject& subject, std::ostream* out) { *out << subject.name; }

class UpdateRandomTest : public ::testing::TestWithParam<Subject> {};

TEST_P(UpdateRandomTest, ThousandsOfChangesToTheSameRecords) {
  const Subject& subject = GetParam();
  testsupport::TempDir dir;
  std::filesystem::path path;
  if (subject.corpusFile.empty()) {
    path = writerFile(dir.path(), subject.ace);
  } else {
    SKIP_WITHOUT_CORPUS();
    path = dir.path() / subject.corpusFile;
    std::filesystem::copy_file(enginetest::corpusFile(subject.corpusFile), path);
    std::filesystem::permissions(
        path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  const std::string table8 = engine::toUtf8(subject.table);
  const bool readers = createtest::haveMdbTools() && createtest::haveMdbReader();

  Records model;
  std::vector<Target> targets;
  std::vector<engine::RowId> ids, hot;
  // Per record, the targets its stored row has a field for.
  std::map<std::pair<std::uint32_t, int>, std::vector<std::size_t>> targetsOfRecord;
  std::vector<std::string> changedNames;
  std::set<std::uint32_t> freeMapBefore;
  std::size_t removedBytesBefore = 0;
  bool jet3 = false;
  {
    auto db = engine::Database::open(path.string());
    const auto& table = db->table(subject.table);
    jet3 = db->format().isJet3();
    targets = targetsOf(*db, table);
    model = engineRecords(*db, table);
    auto scan = db->scan(table);
    engine::Row row;
    while (scan->next(row)) {
      ids.push_back(row.id);
      // Records already behind an overflow pointer are changed most.
      if (row.storedAt != row.id) hot.push_back(row.id);
    }
    for (engine::RowId id : ids) {
      const std::size_t columns = updatetest::storedColumnCount(*db, table, id);
      for (std::size_t t = 0; t < targets.size(); ++t)
        if (table.columns[static_cast<std::size_t>(targets[t].column)].number < columns)
          targetsOfRecord[key(id)].push_back(t);
    }
    freeMapBefore = updatetest::freeMapMismatches(*db, table);
    removedBytesBefore = updatetest::removedRowBytes(*db, table);
  }
  ASSERT_FALSE(targets.empty());
  ASSERT_FALSE(ids.empty());
  for (const Target& target : targets) {
    auto db = engine::Database::open(path.string());
    changedNames.push_back(engine::toUtf8(
        db->table(subject.table).columns[static_cast<std::size_t>(target.column)].name));
  }
  const bool overflowRowsAtStart = !hot.empty();
  std::uint32_t seed = 20261209;  // a different sequence for each file
  for (char c : subject.name) seed = seed * 31 + static_cast<std::uint8_t>(c);
  Values values(seed, jet3);
  while (hot.size() < std::min<std::size_t>(12, ids.size()))
    hot.push_back(ids[values.below(ids.size())]);

  // What each reader shows of the columns the test leaves alone, by record.
  std::map<std::pair<std::uint32_t, int>, std::vector<std::string>> exportOthers, readerOthers;
  if (readers) {
    auto db = engine::Database::open(path.string());
    const auto order = updatetest::recordsInPageOrder(*db, db->table(subject.table));
    const auto exported = exportListing(path, table8, changedNames);
    const auto read = readerListing(path, table8, changedNames);
    ASSERT_EQ(exported.size(), order.size());
    ASSERT_EQ(read.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
      exportOthers[key(order[i])] = exported[i].others;
      readerOthers[key(order[i])] = read[i].others;
    }
  }

  const std::size_t total = changesFor(subject);
  const std::size_t batches = subject.batches;
  std::size_t movedAway = 0, movedOn = 0, cameHome = 0, cutShort = 0;
  for (std::size_t batch = 0; batch < batches; ++batch) {
    SCOPED_TRACE("batch " + std::to_string(batch + 1));
    std::set<RowPlace> longValuesBefore;
    {
      auto db = engine::Database::open(path.string(), {.password = {}, .writable = true});
      const auto& table = db->table(subject.table);
      longValuesBefore = updatetest::longValueRows(*db, table);
      for (std::size_t n = 0; n < total / batches; ++n) {
        const engine::RowId id =
            values.below(4) < 3 ? hot[values.below(hot.size())] : ids[values.below(ids.size())];
        const auto& choices = targetsOfRecord[key(id)];
        if (choices.empty()) continue;
        const Target& target = targets[choices[values.below(choices.size())]];
        const std::u16string value = values.forTarget(target);
        const engine::RowId before = db->readRow(table, id)->storedAt;
        try {
          db->updateText(table, id, target.column, value);
        } catch (const engine::Error& e) {
          ADD_FAILURE() << "change refused: " << e.description();
          continue;
        }
        model[key(id)][static_cast<std::size_t>(target.column)] = engine::Text(value);
        const engine::RowId after = db->readRow(table, id)->storedAt;
        if (before == id && after != id) ++movedAway;
        if (before != id && after != id && after != before) ++movedOn;
        if (before != id && after == id) ++cameHome;
      }
      db->commit();
    }

    auto db = engine::Database::open(path.string());
    const auto& table = db->table(subject.table);
    expectSound(*db, table, model, freeMapBefore, removedBytesBefore, longValuesBefore);
    if (readers) {
      const auto order = updatetest::recordsInPageOrder(*db, table);
      const auto misread = updatetest::chainsAfterRemovedRows(*db, table);
      cutShort += misread.size();
      expectListing("mdb-export", exportListing(path, table8, changedNames), order, model, targets,
                    exportOthers, {});
      expectListing("mdb-reader", readerListing(path, table8, changedNames), order, model, targets,
                    readerOthers, misread);
    }
    if (HasFailure()) break;
  }
  std::cout << subject.name << ": " << total << " changes to " << ids.size() << " records, "
            << movedAway << " moved away from home, " << movedOn << " moved on, " << cameHome
            << " came home; memos mdb-reader cuts short, over all batches: " << cutShort
            << (readers ? "" : " (mdb-export or mdb-reader missing)") << "\n";
  if (subject.corpusFile.empty()) {
    EXPECT_GT(movedOn, 0u) << "no record moved a second time";
  }
  if (subject.corpusFile.empty() || overflowRowsAtStart) {
    EXPECT_GT(cameHome, 0u) << "no record came home";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, UpdateRandomTest, ::testing::ValuesIn(subjects()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
