// convert --dry-run, convert --undo-file and undo on fixtures, driven as a
// user drives them; what they leave is read by the engine, mdbtools and
// mdb-reader.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <filesystem>
#include <map>
#include <vector>

#include "cli_run.h"
#include "dump_json.h"
#include "engine/database.h"
#include "engine/support/corpus_files.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "engine/utf.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

namespace fs = std::filesystem;
using clitest::q;
using clitest::runCli;
using engine::NewColumn;
using T = NewColumn::Type;

const QStringList kModes = {"upper", "lower", "proper", "sentence", "names"};

std::vector<engine::NewTable> fixtureTables() {
  engine::NewTable customers{
      u"Customers",
      {testsupport::column(u"Id", T::Long), testsupport::textColumn(u"Name"),
       testsupport::textColumn(u"City"), testsupport::column(u"Notes", T::Memo),
       testsupport::column(u"Born", T::DateTime)},
      {},
      {}};
  const char16_t* names[] = {u"o'hare",    u"NEW YORK", u"new york",   u"Mary-Jane", u"mcdonald",
                             u"ÅSA ÖBERG", u"42",       u"2021-08-31", u"",          u"x"};
  // Every city is unique. The micro sign's upper case is the Greek capital
  // Mu, so in upper case "5 \u00b5m n" would take the index key that
  // "5 \u039cm n" holds already: the unique index refuses it.
  const char16_t* cities[] = {u"paris", u"ROME", u"5 \u039cm", u"5 \u00b5m", u"oslo"};
  customers.indexes = {{u"ByCity", {u"City"}, /*primary=*/false, /*unique=*/true}};
  for (std::int32_t i = 0; i < 60; ++i) {
    engine::Value name =
        i == 59 ? engine::Value::null() : engine::Value(engine::Text(names[i % 10]));
    engine::Value notes =
        i % 13 == 0 ? engine::Value::null()
                    : engine::Value(engine::Text(u"sOME nOTES. " + engine::Text(names[i % 10]) +
                                                 engine::Text(i * 31 % 500, u'q')));
    customers.rows.push_back(
        {i, name, engine::Text(cities[i % 5]) + u" " + engine::fromUtf8(std::to_string(i / 5)),
         notes, engine::DateTime{40000.0 + i}});
  }
  engine::NewTable orders{u"Orders",
                          {testsupport::textColumn(u"Item"), testsupport::column(u"Qty", T::Long)},
                          {},
                          {{engine::Text(u"blue CHAIR"), std::int32_t{1}},
                           {engine::Text(u"Red Table"), std::int32_t{2}},
                           {engine::Text(u"lamp"), std::int32_t{3}}}};
  return {customers, orders};
}

const std::map<QString, QStringList> kFields = {
    {"Customers", {"Id", "Name", "City", "Notes", "Born"}}, {"Orders", {"Item", "Qty"}}};

// Every table as the engine reads it, rows in scan order.
QJsonObject engineView(const fs::path& file) {
  auto db = engine::Database::open(file.string());
  QJsonObject tables;
  for (const auto& table : dumpjson::databaseToJson(*db)["tables"].toArray())
    tables[table.toObject()["name"].toString()] = table.toObject()["rows"];
  return tables;
}

struct Views {
  QJsonObject engine;
  QJsonObject reader;
  std::map<std::string, std::vector<std::vector<std::string>>> exported;
  bool operator==(const Views&) const = default;
};

Views viewsOf(const fs::path& file) {
  Views views{engineView(file), {}, {}};
  if (createtest::haveMdbReader()) views.reader = createtest::mdbReaderTables(file);
  if (createtest::haveMdbTools())
    for (const char* table : {"Customers", "Orders"})
      views.exported[table] = createtest::mdbExport(file, table);
  return views;
}

std::vector<std::string> folderListing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class CliUndo : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir_.path() / "data");
    db_ = testsupport::makeDatabase(dir_.path() / "data" / "shop.mdb", fixtureTables());
  }
  QStringList convert(const QString& table, const QString& mode) {
    return QStringList{"convert", q(db_), table} + kFields.at(table) +
           QStringList{"--case", mode, "--json"};
  }
  // Rows of `table` whose `field` differs between two engine views.
  static int differing(const QJsonObject& a, const QJsonObject& b, const QString& table,
                       int column) {
    const QJsonArray x = a[table].toArray(), y = b[table].toArray();
    int count = 0;
    for (qsizetype r = 0; r < x.size(); ++r)
      count += x[r].toArray()[column] != y[r].toArray()[column];
    return count;
  }

  testsupport::TempDir dir_;
  fs::path db_;
};

TEST_F(CliUndo, DryRunCountsWhatTheRealRunThenChangesAndTouchesNothing) {
  for (const QString& mode : kModes) {
    SCOPED_TRACE(mode.toStdString());
    const auto bytes = enginetest::readBytes(db_);
    const auto time = fs::last_write_time(db_);
    const auto listing = folderListing(db_.parent_path());
    const QJsonObject before = engineView(db_);

    const auto dry = runCli(convert("Customers", mode) << "--dry-run");
    EXPECT_EQ(enginetest::readBytes(db_), bytes);
    EXPECT_EQ(fs::last_write_time(db_), time);
    EXPECT_EQ(folderListing(db_.parent_path()), listing) << "no lock file, no journal";
    const auto real = runCli(convert("Customers", mode));
    EXPECT_EQ(dry.exitCode, real.exitCode) << dry.errors.toStdString();
    EXPECT_TRUE(dry.json()["dryRun"].toBool());
    EXPECT_FALSE(real.json()["dryRun"].toBool());
    EXPECT_EQ(dry.json()["fields"], real.json()["fields"]);

    const QJsonObject after = engineView(db_);
    const QJsonArray fields = dry.json()["fields"].toArray();
    ASSERT_EQ(fields.size(), 5);
    int total = 0;
    for (int c = 0; c < 5; ++c) {
      const QJsonObject field = fields[c].toObject();
      SCOPED_TRACE(field["field"].toString().toStdString());
      EXPECT_EQ(field["field"].toString(), kFields.at("Customers")[c]);
      EXPECT_EQ(field["records"].toInt(), 60);
      EXPECT_EQ(field["changes"].toInt(), differing(before, after, "Customers", c));
      int leftAlone = 0;
      for (const auto& count : field["leftAlone"].toObject()) leftAlone += count.toInt();
      EXPECT_EQ(field["changes"].toInt() + leftAlone, 60);
      total += field["changes"].toInt();
    }
    EXPECT_GT(total, 0);
    // Each refused record is one report of the run, and makes the run incomplete.
    int refused = 0;
    for (const auto& field : fields)
      refused += field.toObject()["leftAlone"].toObject()["refused"].toInt();
    // Beside the reports, one line says what the file now holds.
    EXPECT_EQ(refused, real.errors.count("caseloom-cli: ") - 1) << real.errors.toStdString();
    EXPECT_TRUE(
        real.errors.contains("caseloom-cli: " + QByteArray::number(total) + " records converted\n"))
        << real.errors.toStdString();
    EXPECT_EQ(real.json()["converted"].toInt(), total);
    EXPECT_EQ(real.exitCode, refused > 0 ? 3 : 0);
    // Why the first run leaves values alone.
    if (mode == "upper") {
      const QJsonObject name = fields[1].toObject()["leftAlone"].toObject();
      EXPECT_EQ(name["null"].toInt(), 1);
      EXPECT_EQ(name["empty"].toInt(), 6);
      EXPECT_EQ(name["number"].toInt(), 6);
      EXPECT_EQ(name["date"].toInt(), 6);
      EXPECT_EQ(name["unchanged"].toInt(), 6 + 6) << "NEW YORK and ÅSA ÖBERG";
      EXPECT_EQ(fields[0].toObject()["leftAlone"].toObject()["notText"].toInt(), 60);
      EXPECT_EQ(fields[4].toObject()["leftAlone"].toObject()["notText"].toInt(), 60);
      EXPECT_EQ(fields[2].toObject()["leftAlone"].toObject()["refused"].toInt(), 12);
      EXPECT_EQ(real.exitCode, 3);
      EXPECT_EQ(fields[1].toObject()["examples"].toArray()[0].toObject(),
                (QJsonObject{{"old", "o'hare"}, {"new", "O'HARE"}}));
    }
  }
  // The text form names the changes.
  const auto text =
      runCli(QStringList{"convert", q(db_), "Orders", "Item", "--case", "lower", "--dry-run"});
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_EQ(QString::fromUtf8(text.output),
            "Orders.Item: 2 of 3 records would change; 1 left alone: 1 unchanged\n"
            "  \"blue CHAIR\" \u2192 \"blue chair\"\n"
            "  \"Red Table\" \u2192 \"red table\"\n");
  // A field named twice is walked twice and counted once.
  const auto twice = runCli(
      QStringList{"convert", q(db_), "Orders", "Item", "Item", "--case", "lower", "--dry-run"});
  EXPECT_EQ(twice.output, text.output);
}

TEST_F(CliUndo, EveryCaseUndoneReadsAsBeforeToEveryReader) {
  const Views original = viewsOf(db_);
  for (const QString& mode : kModes) {
    SCOPED_TRACE(mode.toStdString());
    const QString customersUndo = q(dir_.path() / (mode + "-customers.undo").toStdString());
    const QString ordersUndo = q(dir_.path() / (mode + "-orders.undo").toStdString());
    const auto first = runCli(convert("Customers", mode) << "--undo-file" << customersUndo);
    const auto second = runCli(convert("Orders", mode) << "--undo-file" << ordersUndo);
    EXPECT_EQ(second.exitCode, 0) << second.errors.toStdString();
    EXPECT_GT(first.json()["undoEntries"].toInt(), 0);
    ASSERT_NE(viewsOf(db_).engine, original.engine);

    for (const QString& undo : {ordersUndo, customersUndo}) {
      const auto result = runCli({"undo", q(db_), undo, "--json"});
      EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
      EXPECT_GT(result.json()["putBack"].toInt(), 0);
      EXPECT_TRUE(result.json()["changedSince"].toArray().isEmpty());
    }
    const Views undone = viewsOf(db_);
    EXPECT_EQ(undone.engine, original.engine);
    EXPECT_EQ(undone.reader, original.reader);
    EXPECT_EQ(undone.exported, original.exported);

    // Again: nothing left to do, the file keeps its bytes.
    const auto bytes = enginetest::readBytes(db_);
    const auto again = runCli({"undo", q(db_), customersUndo, "--json"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.json()["putBack"].toInt(), 0);
    EXPECT_EQ(again.json()["alreadyAsBefore"].toInt(), first.json()["undoEntries"].toInt());
    EXPECT_EQ(enginetest::readBytes(db_), bytes);
  }
}

TEST_F(CliUndo, UndoAfterALaterEditLeavesExactlyTheEditedRecords) {
  const QString undoFile = q(dir_.path() / "names.undo");
  const QJsonArray before = engineView(db_)["Customers"].toArray();
  ASSERT_EQ(runCli(QStringList{"convert", q(db_), "Customers", "Name", "--case", "proper",
                               "--undo-file", undoFile})
                .exitCode,
            0);
  // Another program edits some of the changed records afterwards.
  std::set<std::pair<int, int>> edited;
  {
    QFile file(undoFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    auto db = engine::Database::open(db_.string(), {.password = {}, .writable = true});
    const auto& table = db->table(u"Customers");
    for (qsizetype i = 1; i < lines.size(); i += 5) {
      const QJsonObject entry = QJsonDocument::fromJson(lines[i]).object();
      if (entry.isEmpty()) continue;
      const engine::RowId id{static_cast<std::uint32_t>(entry["page"].toInt()),
                             static_cast<std::uint8_t>(entry["row"].toInt())};
      db->updateText(table, id, 1, u"Edited By Hand");
      edited.insert({entry["page"].toInt(), entry["row"].toInt()});
    }
  }
  ASSERT_GT(edited.size(), 3u);
  const auto result = runCli({"undo", q(db_), undoFile, "--json"});
  EXPECT_EQ(result.exitCode, 3);
  std::set<std::pair<int, int>> skipped;
  for (const auto& item : result.json()["changedSince"].toArray()) {
    skipped.insert({item.toObject()["page"].toInt(), item.toObject()["row"].toInt()});
    EXPECT_EQ(item.toObject()["found"].toString(), "Edited By Hand");
  }
  EXPECT_EQ(skipped, edited);
  // The edited records keep the edit; every other reads as before the convert.
  const QJsonArray rows = engineView(db_)["Customers"].toArray();
  ASSERT_EQ(rows.size(), before.size());
  int edits = 0;
  for (qsizetype r = 0; r < rows.size(); ++r) {
    if (rows[r].toArray()[1].toString() == "Edited By Hand")
      ++edits;
    else
      EXPECT_EQ(rows[r], before[r]) << "row " << r;
  }
  EXPECT_EQ(edits, static_cast<int>(edited.size()));
  const auto text = runCli({"undo", q(db_), undoFile});
  EXPECT_EQ(text.exitCode, 3);
  EXPECT_TRUE(text.output.contains("Left alone " + QByteArray::number(qsizetype(edited.size())) +
                                   " records that changed since:"))
      << text.output.toStdString();
  EXPECT_TRUE(text.output.contains("holds \"Edited By Hand\", not \""))
      << text.output.toStdString();
}

TEST_F(CliUndo, ReadOnlyFileAndFolderAreRefusedByteForByte) {
  const QString undoFile = q(dir_.path() / "ro.undo");
  ASSERT_EQ(runCli(QStringList{"convert", q(db_), "Orders", "Item", "--case", "upper",
                               "--undo-file", undoFile})
                .exitCode,
            0);
  const auto bytes = enginetest::readBytes(db_);
  const auto undoBytes = enginetest::readBytes(undoFile.toStdString());
  const auto listing = folderListing(db_.parent_path());
  const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  struct Mark {
    fs::path path;
    fs::perms marked, unmarked;
  };
  std::vector<Mark> marks{{db_, readOnly, fs::perms::owner_read | fs::perms::owner_write}};
#ifndef _WIN32
  // Windows has no mark on a folder that its files obey.
  const auto exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  marks.push_back({db_.parent_path(), readOnly | exec, fs::perms::owner_all});
#endif
  for (const Mark& mark : marks) {
    SCOPED_TRACE(mark.path.string());
    fs::permissions(mark.path, mark.marked);
    const QString newUndo = q(dir_.path() / "never.undo");
    for (const QStringList& arguments :
         {QStringList{"convert", q(db_), "Orders", "Item", "--case", "lower"},
          QStringList{"convert", q(db_), "Orders", "Item", "--case", "lower", "--dry-run"},
          QStringList{"convert", q(db_), "Orders", "Item", "--case", "lower", "--undo-file",
                      newUndo},
          QStringList{"undo", q(db_), undoFile}}) {
      SCOPED_TRACE(arguments.join(' ').toStdString());
      const auto result = runCli(arguments);
      EXPECT_EQ(result.exitCode, 1);
      EXPECT_EQ(result.errors.trimmed().toStdString(),
                "caseloom-cli: Cannot update. Database or object is read-only. (error "
                "-2147467259)");
      EXPECT_TRUE(result.output.isEmpty());
      EXPECT_EQ(enginetest::readBytes(db_), bytes);
      EXPECT_EQ(folderListing(db_.parent_path()), listing);
      EXPECT_FALSE(fs::exists(newUndo.toStdString()));
    }
    fs::permissions(mark.path, mark.unmarked);
  }
  EXPECT_EQ(enginetest::readBytes(undoFile.toStdString()), undoBytes);
  EXPECT_EQ(runCli({"undo", q(db_), undoFile}).exitCode, 0) << "writable again";
}

TEST_F(CliUndo, AnExistingUndoFileIsNeverReplaced) {
  const fs::path existing = dir_.path() / "earlier.undo";
  enginetest::writeBytes(existing, {'k', 'e', 'e', 'p'});
  const auto bytes = enginetest::readBytes(db_);
  const auto result = runCli(QStringList{"convert", q(db_), "Orders", "Item", "--case", "upper",
                                         "--undo-file", q(existing)});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.errors.contains("exists already")) << result.errors.toStdString();
  EXPECT_EQ(enginetest::readBytes(existing), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_EQ(enginetest::readBytes(db_), bytes);
}

TEST_F(CliUndo, NameCaseKeepsTheWordsOfTheExceptionsFile) {
  const fs::path words = dir_.path() / "words.txt";
  enginetest::writeBytes(words, {'C', 'H', 'A', 'I', 'R', '\n', 'l', 'A', 'm', 'P', '\n'});
  const auto run = runCli(QStringList{"convert", q(db_), "Orders", "Item", "--case", "names",
                                      "--exceptions", q(words)});
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  const auto preview = runCli(QStringList{"preview", q(db_), "Orders", "Item"});
  EXPECT_EQ(preview.output, "Blue CHAIR\nRed Table\nlAmP\n");

  const auto wrongMode = runCli(QStringList{"convert", q(db_), "Orders", "Item", "--case", "upper",
                                            "--exceptions", q(words)});
  EXPECT_EQ(wrongMode.exitCode, 2);
  const auto missing = runCli(QStringList{"convert", q(db_), "Orders", "Item", "--case", "names",
                                          "--exceptions", q(dir_.path() / "none.txt")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.errors.contains("cannot read the exceptions file"))
      << missing.errors.toStdString();
}

TEST_F(CliUndo, BadUsageAndBadUndoFiles) {
  EXPECT_EQ(runCli(QStringList{"convert", q(db_), "Orders", "Item", "--case", "upper", "--dry-run",
                               "--undo-file", q(dir_.path() / "u")})
                .exitCode,
            2);
  EXPECT_EQ(runCli({"undo", q(db_)}).exitCode, 2);
  enginetest::writeBytes(dir_.path() / "notes.txt", {'h', 'i', '\n'});
  const auto notUndo = runCli({"undo", q(db_), q(dir_.path() / "notes.txt")});
  EXPECT_EQ(notUndo.exitCode, 1);
  EXPECT_TRUE(notUndo.errors.contains("is not a Caseloom undo file"))
      << notUndo.errors.toStdString();
  const auto unknownField =
      runCli(QStringList{"convert", q(db_), "Orders", "Nope", "--case", "upper"});
  EXPECT_EQ(unknownField.exitCode, 1);
  EXPECT_TRUE(unknownField.errors.contains("unknown column 'Nope'"))
      << unknownField.errors.toStdString();
}

}  // namespace
