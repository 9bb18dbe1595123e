// Runs with an undo file, taken back: the database reads as before, records
// changed since are left alone and named, a second undo changes nothing, and
// a crash at any write of the run leaves an undo file that takes back all
// the database kept.

#include "run/put_back.h"

#include <gtest/gtest.h>

#include <map>

#include "ado/constants.h"
#include "ado/error.h"
#include "ado/factory.h"
#include "engine/database.h"
#include "engine/support/corpus_files.h"
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
using Fault = updatetest::MemoryFolder::Fault;

constexpr const char* kDatabase = "/m/people.mdb";
constexpr const char* kUndo = "/m/people.undo";

engine::NewTable people() {
  engine::NewTable table{
      u"People",
      {testsupport::column(u"Id", NewColumn::Type::Long), testsupport::textColumn(u"Name", 100),
       testsupport::column(u"Notes", NewColumn::Type::Memo)},
      {},
      {}};
  const char16_t* names[] = {u"o'hare",   u"NEW YORK",  u"new york", u"",  u"42",
                             u"mcdonald", u"ÅSA ÖBERG", u"jean-luc", u"x", u"New York"};
  for (std::int32_t i = 0; i < 40; ++i) {
    ado::Value name = i % 11 == 10 ? ado::Value::null() : ado::Value(ado::Text(names[i % 10]));
    ado::Value notes = ado::Text(u"sOME nOTES ABOUT " + std::u16string(names[i % 10]) + u". " +
                                 std::u16string(static_cast<std::size_t>(i * 37 % 600), u'w'));
    table.rows.push_back({i, name, notes});
  }
  return table;
}

// Every value of every row, by row identity.
using Contents = std::map<std::pair<std::uint32_t, int>, std::vector<ado::Value>>;

Contents contentsOf(engine::FileSystem& folder) {
  auto db = engine::Database::open(kDatabase, {.password = {}, .fileSystem = &folder});
  const auto& table = db->table(u"People");
  auto scan = db->scan(table);
  engine::Row row;
  Contents contents;
  while (scan->next(row)) contents[{row.id.page, row.id.slot}] = row.values;
  return contents;
}

class PutBack : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::TempDir dir;
    original_ =
        enginetest::readBytes(testsupport::makeDatabase(dir.path() / "people.mdb", {people()}));
    folder_->put(kDatabase, original_);
    before_ = contentsOf(*folder_);
  }

  // The change-case run on fields of People, recording into `undo`.
  void run(const std::u16string& caseText, std::initializer_list<std::u16string> fields,
           Run::UndoFileWriter& undo) {
    testsupport::FakeWindow window;
    window.caseText = caseText;
    window.tables.add(u"People");
    for (const auto& field : fields) {
      window.fields.add(field);
      window.fields.setSelected(window.fields.count() - 1, true);
    }
    testsupport::TestFactory inFolder;
    inFolder.folder = folder_.get();
    testsupport::FakeBoxes boxes;
    boxes.path = engine::fromUtf8(kDatabase);
    boxes.factory = &inFolder;
    boxes.reports = &reports_;
    Run::RunOptions options;
    options.pauses = false;
    options.writeObserver = &undo;
    testsupport::StartChanging(window, boxes, options);
  }

  Run::PutBackReport putBack() {
    const Run::UndoFile undo = Run::ReadUndoFile(*folder_, kUndo);
    ado::Connection connection;
    connection.SetFolder(folder_.get());
    connection.SetMode(ado::adModeReadWrite);
    connection.Open(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + engine::fromUtf8(kDatabase));
    Run::PutBackReport report = Run::PutBack(connection, undo.entries);
    Run::ClosePutBack(connection, report);
    return report;
  }

  std::unique_ptr<updatetest::MemoryFolder> folder_ = std::make_unique<updatetest::MemoryFolder>();
  std::vector<std::uint8_t> original_;
  Contents before_;
  testsupport::MessageRecorder reports_;
};

TEST_F(PutBack, EveryCaseTakenBackReadsAsBeforeAndASecondUndoChangesNothing) {
  for (const char16_t* mode : {u"UPPER CASE", u"lower case", u"Proper Case", u"Sentence case"}) {
    SCOPED_TRACE(engine::toUtf8(mode));
    folder_->remove(kUndo);
    long entries = 0;
    {
      Run::UndoFileWriter undo(*folder_, kUndo, {engine::fromUtf8(kDatabase), u"UPPER CASE", u""});
      run(mode, {u"Name", u"Notes"}, undo);
      entries = undo.entries();
    }
    ASSERT_TRUE(reports_.boxes.empty()) << reports_.boxes[0].text.toStdString();
    ASSERT_NE(contentsOf(*folder_), before_);
    ASSERT_GT(entries, 40);
    const Run::PutBackReport first = putBack();
    EXPECT_EQ(first.putBack, entries);
    EXPECT_TRUE(first.changedSince.empty());
    EXPECT_TRUE(first.failed.empty());
    EXPECT_EQ(contentsOf(*folder_), before_);
    const auto bytesAfterUndo = folder_->durable(kDatabase);
    const Run::PutBackReport second = putBack();
    EXPECT_EQ(second.putBack, 0);
    EXPECT_EQ(second.alreadyAsBefore, entries);
    EXPECT_EQ(folder_->durable(kDatabase), bytesAfterUndo);
  }
}

// A disk that fails every write: the first value's failure ends the undo,
// no other value is tried, and the file keeps what it held.
TEST_F(PutBack, AFailureOfTheFileEndsTheUndoAfterOneFailure) {
  {
    Run::UndoFileWriter undo(*folder_, kUndo, {engine::fromUtf8(kDatabase), u"UPPER CASE", u""});
    run(u"UPPER CASE", {u"Name", u"Notes"}, undo);
  }
  const Contents converted = contentsOf(*folder_);
  engine::setErrorSink([](const engine::Error&) {});
  folder_->injectFault(updatetest::MemoryFolder::Fault::Kill, 1);
  const Run::PutBackReport report = putBack();
  engine::setErrorSink(nullptr);
  ASSERT_TRUE(report.endedBy.has_value());
  EXPECT_EQ(report.endedBy->engineKind(), engine::ErrorKind::IoError);
  EXPECT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.putBack, 0);
  EXPECT_GT(report.notReached, 40);
  folder_->reboot();
  EXPECT_EQ(contentsOf(*folder_), converted);
}

TEST_F(PutBack, RecordsEditedSinceAreLeftAsTheyAreAndNamed) {
  {
    Run::UndoFileWriter undo(*folder_, kUndo, {engine::fromUtf8(kDatabase), u"UPPER CASE", u""});
    run(u"UPPER CASE", {u"Name"}, undo);
  }
  const Run::UndoFile undo = Run::ReadUndoFile(*folder_, kUndo);
  // Someone edits every seventh changed record afterwards.
  std::map<std::pair<std::uint32_t, int>, std::u16string> edited;
  {
    auto db = engine::Database::open(
        kDatabase, {.password = {}, .writable = true, .fileSystem = folder_.get()});
    const auto& table = db->table(u"People");
    for (std::size_t i = 0; i < undo.entries.size(); i += 7) {
      const auto& entry = undo.entries[i];
      edited[{entry.row.page, entry.row.slot}] = u"edited " + entry.newText;
      db->updateText(table, entry.row, 1, u"edited " + entry.newText);
    }
  }
  const Run::PutBackReport report = putBack();
  EXPECT_EQ(report.putBack, static_cast<long>(undo.entries.size() - edited.size()));
  ASSERT_EQ(report.changedSince.size(), edited.size());
  for (const auto& skipped : report.changedSince) {
    const auto key = std::make_pair(skipped.entry.row.page, int(skipped.entry.row.slot));
    ASSERT_TRUE(edited.count(key));
    EXPECT_EQ(skipped.found->text(), edited[key]);
  }
  Contents expected = before_;
  for (const auto& [key, text] : edited) expected[key][1] = ado::Text(text);
  EXPECT_EQ(contentsOf(*folder_), expected);
}

// The computer dies, or one write or sync fails, at each step of a run made
// of two commits: after the restart the database holds nothing the undo file
// lacks, and putting the file back gives the database as it was.
TEST_F(PutBack, CrashAtEveryWriteStillTakesBackAllTheDatabaseKept) {
  for (Fault fault : {Fault::Die, Fault::Fail}) {
    std::uint64_t step = 1;
    int interrupted = 0;
    for (;; ++step) {
      SCOPED_TRACE((fault == Fault::Die ? "die at step " : "fail at step ") + std::to_string(step));
      folder_ = std::make_unique<updatetest::MemoryFolder>();
      folder_->put(kDatabase, original_);
      folder_->injectFault(fault, step);
      try {
        Run::UndoFileWriter undo(*folder_, kUndo,
                                 {engine::fromUtf8(kDatabase), u"UPPER CASE", u""});
        run(u"Proper Case", {u"Name"}, undo);
        run(u"UPPER CASE", {u"Notes"}, undo);
      } catch (const std::exception&) {
        // The undo file could not be made: the run does not start.
      }
      reports_.boxes.clear();
      const bool faulted = folder_->steps() >= step;
      folder_->reboot();
      if (!faulted) break;
      ++interrupted;
      if (!folder_->has(kUndo)) {
        EXPECT_EQ(contentsOf(*folder_), before_);
        continue;
      }
      const Run::PutBackReport report = putBack();
      EXPECT_TRUE(report.changedSince.empty());
      EXPECT_TRUE(report.failed.empty());
      EXPECT_EQ(contentsOf(*folder_), before_);
    }
    EXPECT_GT(interrupted, 20) << "the run's writes and syncs";
    // Without a fault the run changed the database.
    EXPECT_NE(contentsOf(*folder_), before_);
  }
}

}  // namespace
