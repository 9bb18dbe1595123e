// The run when commits fail, the file is taken away and the computer dies
// under it: a failure of the file ends the run after one report, and the
// count of records converted is what the file holds.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "ado/error.h"
#include "ado/factory.h"
#include "ado/write_observer.h"
#include "case/case.h"
#include "db/access.h"
#include "engine/database.h"
#include "engine/error.h"
#include "engine/journal/rollback_journal.h"
#include "engine/journal/writer_lock.h"
#include "engine/support/create_test_readers.h"
#include "engine/support/mdb_reader_json.h"
#include "engine/support/update_support.h"
#include "engine/utf.h"
#include "run/change_case_run.h"
#include "support/fake_window.h"
#include "support/fixtures.h"
#include "support/message_recorder.h"
#include "support/shared_dir.h"
#include "support/test_factory.h"

namespace {

using engine::NewColumn;
using updatetest::MemoryFolder;

constexpr char kPath[] = "/memory/run.mdb";
constexpr std::u16string_view kFields[] = {u"City", u"Notes"};

std::vector<std::uint8_t> databaseBytes(const engine::NewTable& table) {
  testsupport::TempDir dir;
  const auto path = testsupport::makeDatabase(dir.path() / "run.mdb", {table});
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// People: Id, City (text, some values repeated), Notes (memo, some spanning
// pages), `rows` rows, all lower case.
engine::NewTable people(int rows, std::mt19937& random, bool distinct = false) {
  // Distinct cities are long, so that the table spans many pages.
  static const char16_t* const words[] = {u"london", u"paris",   u"new york", u"o'hare",
                                          u"berlin", u"kyoto",   u"lima",     u"oslo",
                                          u"quito",  u"nairobi", u"perth",    u"cork"};
  engine::NewTable table{
      u"People",
      {testsupport::column(u"Id", NewColumn::Type::Long), testsupport::textColumn(u"City", 60),
       testsupport::column(u"Notes", NewColumn::Type::Memo)},
      {},
      {}};
  for (int i = 0; i < rows; ++i) {
    std::u16string city = words[random() % std::size(words)];
    if (distinct) city += u" on the long road number";
    if (distinct || random() % 3 == 0) city += u" " + engine::fromUtf8(std::to_string(i));
    std::u16string notes = u"note " + engine::fromUtf8(std::to_string(i)) + u":";
    const std::size_t words16 = random() % 5 == 0 ? 400 + random() % 1200 : random() % 12;
    for (std::size_t w = 0; w < words16; ++w) notes += u" some words";
    table.rows.push_back({std::int32_t{i}, engine::Text(city), engine::Text(notes)});
  }
  return table;
}

using Values = std::map<std::int32_t, std::vector<std::u16string>>;  // Id -> City, Notes

class RunUnderFaults : public testing::Test {
 protected:
  void load(std::vector<std::uint8_t> bytes, std::size_t batchBlocks) {
    folder_.put(kPath, std::move(bytes));
    factory_.folder = &folder_;
    factory_.batchBlocks = batchBlocks;
    options_.pauses = false;
    boxes_.path = engine::fromUtf8(kPath);
    boxes_.factory = &factory_;
    boxes_.reports = &reports_;
    // The lists as the window fills them (its file test looks at the disk).
    window_.tables.add(u"People");
    window_.tables.click(0);
    for (std::u16string_view field : kFields) window_.fields.add(std::u16string(field));
  }

  void select(const std::vector<std::u16string_view>& fields) {
    for (int i = 0; i < window_.fields.count(); ++i) {
      const auto name = window_.fields.text(i);
      window_.fields.setSelected(i, std::find(fields.begin(), fields.end(), name) != fields.end());
    }
  }

  Run::RunSummary run(const std::u16string& mode, std::vector<std::u16string_view> fields) {
    select(fields);
    window_.caseText = mode;
    options_.pauses = false;
    return testsupport::StartChanging(window_, boxes_, options_);
  }

  // What the file holds, read as the next open reads it.
  Values held() {
    auto db = engine::Database::open(kPath, {.password = {},
                                             .writable = false,
                                             .cachePages = 64,
                                             .fileSystem = &folder_,
                                             .lockWait = std::chrono::milliseconds(0)});
    EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
    const auto& table = db->table(u"People");
    Values values;
    auto scan = db->scan(table);
    engine::Row row;
    while (scan->next(row))
      values[row.values[0].as<std::int32_t>()] = {row.values[1].text(), row.values[2].text()};
    return values;
  }

  // Steps of the folder at which the database's pages are written, in a
  // run of `mode` on a copy of the file.
  std::vector<std::uint64_t> pageWriteSteps(const std::u16string& mode) {
    const std::vector<std::string> log = pageWriteLog(mode);
    std::vector<std::uint64_t> steps;
    for (std::uint64_t i = 0; i < log.size(); ++i)
      if (log[i] == std::string("write ") + kPath) steps.push_back(i + 1);
    return steps;
  }

  // Every step of the folder in a run of `mode` on a copy of the file.
  std::vector<std::string> pageWriteLog(const std::u16string& mode) {
    MemoryFolder reference;
    reference.put(kPath, folder_.durable(kPath));
    {
      testsupport::TestFactory inReference;
      inReference.folder = &reference;
      inReference.batchBlocks = batchBlocks_;
      testsupport::FakeBoxes boxes = boxes_;
      boxes.factory = &inReference;
      testsupport::FakeWindow window;
      window.tables = window_.tables;
      window.fields = window_.fields;
      window.caseText = mode;
      testsupport::StartChanging(window, boxes, options_);
    }
    return reference.log();
  }

  // Both independent readers see in the file's durable bytes what the
  // engine sees (when they are installed).
  void expectReadersAgree(const Values& values) {
    if (!createtest::haveMdbTools() || !createtest::haveMdbReader()) return;
    testsupport::TempDir scratch;
    const auto file = scratch.path() / "run.mdb";
    {
      const auto bytes = folder_.durable(kPath);
      std::ofstream(file, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
    const auto exported = createtest::mdbExport(file, "People");
    ASSERT_EQ(exported.size(), values.size() + 1);
    for (std::size_t i = 1; i < exported.size(); ++i) {
      const auto& fieldsNow = values.at(std::stoi(exported[i][0]));
      EXPECT_EQ(exported[i][1], engine::toUtf8(fieldsNow[0]));
      EXPECT_EQ(exported[i][2], engine::toUtf8(fieldsNow[1]));
    }
    const QJsonArray rows =
        createtest::mdbReaderTables(file)["People"].toObject()["rows"].toArray();
    ASSERT_EQ(static_cast<std::size_t>(rows.size()), values.size());
    for (const auto& row : rows) {
      const QJsonArray fields = row.toArray();
      const auto& fieldsNow = values.at(fields[0].toInt());
      EXPECT_EQ(fields[1].toString().toStdU16String(), fieldsNow[0]);
      EXPECT_EQ(fields[2].toString().toStdU16String(), fieldsNow[1]);
    }
  }

  MemoryFolder folder_;
  testsupport::TestFactory factory_;
  std::size_t batchBlocks_ = 2;
  testsupport::FakeBoxes boxes_;
  testsupport::FakeWindow window_;
  testsupport::MessageRecorder reports_;
  Run::RunOptions options_;
};

std::size_t changedValues(const Values& before, const Values& after) {
  std::size_t changed = 0;
  for (const auto& [id, fields] : before)
    for (std::size_t f = 0; f < fields.size(); ++f) changed += after.at(id)[f] != fields[f];
  return changed;
}

// One report, naming the step that met the failure, and the run ended.
void expectOneReport(const testsupport::MessageRecorder& reports, const Run::RunSummary& summary,
                     int label, engine::ErrorKind kind) {
  ASSERT_EQ(reports.boxes.size(), 1u);
  EXPECT_TRUE(
      reports.boxes[0].text.contains(QStringLiteral("PushButton4_Click at line %1").arg(label)))
      << reports.boxes[0].text.toStdString();
  EXPECT_EQ(summary.failures, 1);
  ASSERT_TRUE(summary.endedBy.has_value());
  EXPECT_EQ(summary.endedBy->engineKind(), kind);
}

TEST_F(RunUnderFaults, AFailedCommitEndsTheRunAfterOneReport) {
  std::mt19937 random(7);
  batchBlocks_ = 4;  // batches of many records, many batches
  load(databaseBytes(people(600, random, true)), batchBlocks_);
  const Values before = held();
  select({u"City"});
  const auto steps = pageWriteSteps(u"UPPER CASE");
  ASSERT_GT(steps.size(), 6u);
  folder_.injectFault(MemoryFolder::Fault::Fail, steps[steps.size() / 2]);
  const Run::RunSummary summary = run(u"UPPER CASE", {u"City"});
  folder_.reboot();
  const Values after = held();
  expectOneReport(reports_, summary, 144, engine::ErrorKind::IoError);
  EXPECT_EQ(summary.converted, static_cast<long>(changedValues(before, after)));
  EXPECT_GT(summary.undone, 0) << "a whole batch was lost";
  EXPECT_GT(summary.recordsLeft, 0);
  ASSERT_EQ(summary.fields.size(), 1u);
  EXPECT_LT(summary.fields[0].walked, summary.fields[0].records);
  EXPECT_EQ(window_.progress.back(), 0) << "the bar is reset";
  EXPECT_EQ(window_.previewRefreshes, 1);
  const long notConverted = static_cast<long>(before.size()) - summary.converted;
  // Converting again converts exactly the rest.
  reports_.boxes.clear();
  const Run::RunSummary again = run(u"UPPER CASE", {u"City"});
  EXPECT_EQ(again.converted, notConverted);
  EXPECT_TRUE(reports_.boxes.empty());
}

// Records that share their value are all rewritten by each one's UPDATE; a
// disk that fails every write from some point on must still give one report
// in all, not one per record for every record of every lost batch.
TEST_F(RunUnderFaults, AFailingDiskGivesOneReportInAll) {
  std::mt19937 random(9);
  engine::NewTable table = people(300, random);
  for (auto& row : table.rows) row[1] = engine::Text(u"paris");
  load(databaseBytes(table), batchBlocks_);
  const Values before = held();
  select({u"City", u"Notes"});
  const auto steps = pageWriteSteps(u"UPPER CASE");
  ASSERT_FALSE(steps.empty());
  folder_.injectFault(MemoryFolder::Fault::Kill, steps.front());
  const Run::RunSummary summary = run(u"UPPER CASE", {u"City", u"Notes"});
  folder_.reboot();
  expectOneReport(reports_, summary, 144, engine::ErrorKind::IoError);
  EXPECT_EQ(summary.converted, 0);
  EXPECT_EQ(summary.fieldsLeft, 1);
  EXPECT_EQ(held(), before);
}

// The steps of the folder that write the journal, in a run of `mode`.
std::vector<std::uint64_t> journalWriteSteps(const std::vector<std::string>& log) {
  std::vector<std::uint64_t> steps;
  for (std::uint64_t i = 0; i < log.size(); ++i)
    if (log[i] == "write " + engine::journalPathFor(kPath)) steps.push_back(i + 1);
  return steps;
}

TEST_F(RunUnderFaults, AFullDiskAtTheFirstJournalWriteEndsTheRunWithNothingChanged) {
  std::mt19937 random(10);
  load(databaseBytes(people(300, random)), batchBlocks_);
  const auto bytes = folder_.durable(kPath);
  select({u"City"});
  const auto steps = journalWriteSteps(pageWriteLog(u"UPPER CASE"));
  ASSERT_FALSE(steps.empty());
  folder_.injectFault(MemoryFolder::Fault::Fail, steps.front());
  const Run::RunSummary summary = run(u"UPPER CASE", {u"City"});
  folder_.reboot();
  expectOneReport(reports_, summary, 144, engine::ErrorKind::IoError);
  EXPECT_EQ(summary.converted, 0);
  EXPECT_EQ(folder_.durable(kPath), bytes);
  EXPECT_FALSE(folder_.has(engine::journalPathFor(kPath)));
  EXPECT_FALSE(folder_.has(engine::lockFilePathFor(kPath, false)));
}

// A small run is one batch, saved when the connection closes: a failure
// there is reported once, at the close, and every record of it is undone.
TEST_F(RunUnderFaults, AFailureOfTheLastCommitIsReportedOnceAtTheClose) {
  std::mt19937 random(11);
  batchBlocks_ = 2048;
  load(databaseBytes(people(20, random)), batchBlocks_);
  const Values before = held();
  select({u"City", u"Notes"});
  const auto steps = journalWriteSteps(pageWriteLog(u"Proper Case"));
  ASSERT_FALSE(steps.empty());
  folder_.injectFault(MemoryFolder::Fault::Fail, steps.front());
  const Run::RunSummary summary = run(u"Proper Case", {u"City", u"Notes"});
  folder_.reboot();
  expectOneReport(reports_, summary, 194, engine::ErrorKind::IoError);
  EXPECT_EQ(summary.converted, 0);
  EXPECT_EQ(summary.undone, 40);
  EXPECT_EQ(held(), before);
}

// Changes the folder under the run once it has written `after` records.
// Calls each of `events` once the records before it were written.
class AfterRecords final : public ado::WriteObserver {
 public:
  explicit AfterRecords(std::map<long, std::function<void()>> events)
      : events_(std::move(events)) {}
  void written(const ado::TextChange&) override {
    if (auto event = events_.find(++written_); event != events_.end()) event->second();
  }

 private:
  std::map<long, std::function<void()>> events_;
  long written_ = 0;
};

// A transaction is committed once it is a second old: a pause that long
// after `records` records makes the next one end the transaction in hand.
std::pair<long, std::function<void()>> commitAfter(long records) {
  return {records, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); }};
}

TEST_F(RunUnderFaults, AFolderMadeReadOnlyBetweenBatchesEndsTheRun) {
  std::mt19937 random(12);
  load(databaseBytes(people(300, random, true)), batchBlocks_);
  const Values before = held();
  AfterRecords readOnly({{60, [&] { folder_.makeFolderReadOnly(); }}});
  options_.writeObserver = &readOnly;
  const Run::RunSummary summary = run(u"UPPER CASE", {u"City", u"Notes"});
  options_.writeObserver = nullptr;
  ASSERT_EQ(reports_.boxes.size(), 1u)
      << (reports_.boxes.empty() ? std::string() : reports_.boxes[0].text.toStdString());
  // The transaction in hand still commits (its journal cannot be removed,
  // so its seal is taken back); the next one cannot make a journal.
  ASSERT_TRUE(summary.endedBy.has_value());
  EXPECT_EQ(summary.endedBy->engineKind(), engine::ErrorKind::ReadOnly);
  folder_.reboot();
  const Values after = held();
  EXPECT_GT(summary.converted, 0);
  EXPECT_EQ(summary.converted, static_cast<long>(changedValues(before, after)));
  expectReadersAgree(after);
}

TEST_F(RunUnderFaults, AnotherComputerOpeningTheFileBetweenBatchesEndsTheRun) {
  std::mt19937 random(13);
  load(databaseBytes(people(300, random, true)), batchBlocks_);
  const Values before = held();
  const std::string lockFile = engine::lockFilePathFor(kPath, false);
  AfterRecords otherComputer(
      {commitAfter(30), {60, [&] {
                           // Access on another computer records itself in the lock file.
                           std::vector<std::uint8_t> entry(64, 0);
                           const std::string name = "OFFICE-PC", user = "Admin";
                           std::copy(name.begin(), name.end(), entry.begin());
                           std::copy(user.begin(), user.end(), entry.begin() + 32);
                           for (auto* bytes : {&folder_.contents(lockFile).current,
                                               &folder_.contents(lockFile).synced})
                             bytes->insert(bytes->end(), entry.begin(), entry.end());
                         }}});
  options_.writeObserver = &otherComputer;
  const Run::RunSummary summary = run(u"UPPER CASE", {u"City"});
  options_.writeObserver = nullptr;
  ASSERT_EQ(reports_.boxes.size(), 1u)
      << (reports_.boxes.empty() ? std::string() : reports_.boxes[0].text.toStdString());
  EXPECT_TRUE(reports_.boxes[0].text.contains("OFFICE-PC")) << reports_.boxes[0].text.toStdString();
  ASSERT_TRUE(summary.endedBy.has_value());
  EXPECT_EQ(summary.endedBy->engineKind(), engine::ErrorKind::InUse);
  folder_.erase(lockFile);
  const Values after = held();
  EXPECT_GT(summary.converted, 0);
  EXPECT_EQ(summary.converted, static_cast<long>(changedValues(before, after)));
  expectReadersAgree(after);
}

TEST_F(RunUnderFaults, AStopFinishesTheRecordInHandSavesAndGivesUpTheLock) {
  std::mt19937 random(8);
  load(databaseBytes(people(200, random)), batchBlocks_);
  const Values before = held();
  window_.stopAfterEvents = 120;
  const Run::RunSummary summary = run(u"Proper Case", {u"City", u"Notes"});
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(summary.fieldsLeft, 1);
  EXPECT_GT(summary.recordsLeft, 0);
  EXPECT_FALSE(folder_.has(engine::lockFilePathFor(kPath, false)));
  EXPECT_FALSE(folder_.has(engine::journalPathFor(kPath)));
  (void)before;
}

// Random case changes of random fields, over and over, with commits that
// fail, computers that die and processes that are killed at random steps:
// after every run each value is old or new, as the engine and both
// independent readers see it, and the run counted exactly the values the
// file holds as changed. CASELOOM_RANDOM_RUNS sets how many runs.
TEST_F(RunUnderFaults, LongRandomSequenceOfRunsUnderFaults) {
  const char* runsText = std::getenv("CASELOOM_RANDOM_RUNS");
  const int runs = runsText ? std::atoi(runsText) : 12;
  std::mt19937 random(20240611);
  load(databaseBytes(people(400, random)), batchBlocks_);
  const bool readers = createtest::haveMdbTools() && createtest::haveMdbReader();
  const std::u16string modes[] = {u"UPPER CASE", u"lower case", u"Proper Case", u"Sentence case"};
  const Case::CaseMode caseModes[] = {Case::CaseMode::Upper, Case::CaseMode::Lower,
                                      Case::CaseMode::Proper, Case::CaseMode::Sentence};
  engine::setErrorSink([](const engine::Error&) {});
  std::size_t changedAll = 0, failedRuns = 0;
  for (int r = 0; r < runs; ++r) {
    const std::size_t m = random() % 4;
    std::vector<std::u16string_view> fields;
    if (random() % 3 != 0) fields.push_back(kFields[0]);
    if (fields.empty() || random() % 2 == 0) fields.push_back(kFields[1]);
    const int fault = static_cast<int>(random() % 5);
    const std::uint64_t at = 1 + random() % 300;
    SCOPED_TRACE("run " + std::to_string(r) + ": fault " + std::to_string(fault) + " at step " +
                 std::to_string(at));
    const Values before = held();
    switch (fault) {
      case 1:
        folder_.injectFault(MemoryFolder::Fault::Fail, at);
        break;
      case 2:
        folder_.injectFault(MemoryFolder::Fault::Fail, at);
        folder_.thenFault(MemoryFolder::Fault::Die, 1 + random() % 6);
        break;
      case 3:
        folder_.injectFault(MemoryFolder::Fault::Die, at);
        break;
      case 4:
        folder_.injectFault(MemoryFolder::Fault::Kill, at);
        break;
      default:
        folder_.injectFault(MemoryFolder::Fault::None, 0);
    }
    reports_.boxes.clear();
    const Run::RunSummary summary = run(modes[m], fields);
    failedRuns += summary.failures > 0;
    folder_.reboot();
    const Values after = held();
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [id, old] : before)
      for (std::size_t f = 0; f < 2; ++f) {
        const bool selected = std::find(fields.begin(), fields.end(), kFields[f]) != fields.end();
        const std::u16string& now = after.at(id)[f];
        EXPECT_TRUE(now == old[f] || (selected && now == Case::Convert(caseModes[m], old[f])))
            << "row " << id << " field " << f << " is neither old nor new";
      }
    const std::size_t changed = changedValues(before, after);
    EXPECT_EQ(summary.converted, static_cast<long>(changed));
    changedAll += changed;
    if (readers) expectReadersAgree(after);
  }
  engine::setErrorSink(nullptr);
  EXPECT_GT(changedAll, 0u);
  EXPECT_GT(failedRuns, 0u);
}

}  // namespace
