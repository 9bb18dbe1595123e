// All-or-nothing updates: a sequence of changes fails, or the computer
// "dies", at every write and sync in turn; the reopened database must be
// consistent and hold every value either as it was or as it was set.

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <tuple>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/format/layout_header.h"
#include "engine/journal/journaled_file.h"
#include "engine/journal/rollback_journal.h"
#include "engine/support/journal_fixture.h"
#include "engine/support/update_support.h"
#include "support/fixtures.h"
#include "support/shared_dir.h"

namespace {

using testsupport::repeat;

using engine::NewColumn;
using updatetest::MemoryFolder;
using namespace journaltest;

// Runs `list` on a file holding `bytes`, with `fault` at step `faultAt`,
// then "reboots" and opens what survived read-only (the journal, if any,
// is played back), writer and reader each with a cache of `cachePages`.
std::unique_ptr<engine::Database> afterFault(MemoryFolder& folder,
                                             const std::vector<std::uint8_t>& bytes,
                                             MemoryFolder::Fault fault, std::uint64_t faultAt,
                                             std::size_t cachePages, bool oneBatch = false,
                                             const std::u16string& password = {},
                                             const std::vector<Change>& list = changes(),
                                             std::size_t batchBlocks = 0) {
  folder.put(kPath, bytes);
  folder.injectFault(fault, faultAt);
  std::streambuf* saved = std::cerr.rdbuf(nullptr);  // the destructor's report of the lost batch
  try {
    runChanges(folder, oneBatch, password, list, cachePages, batchBlocks);
  } catch (const engine::Error&) {
  }
  std::cerr.rdbuf(saved);
  folder.reboot();
  return engine::Database::open(
      kPath,
      {.password = password, .writable = false, .cachePages = cachePages, .fileSystem = &folder});
}

class UpdateJournalTest
    : public ::testing::TestWithParam<std::tuple<MemoryFolder::Fault, Protection>> {};

TEST_P(UpdateJournalTest, EveryFaultPointLeavesOldOrNewValues) {
  const auto [fault, protection] = GetParam();
  const std::u16string password = passwordFor(protection);
  const std::vector<std::uint8_t> original = fixtureBytes(protection);
  MemoryFolder reference;
  reference.put(kPath, original);
  std::vector<engine::Value> oldNames, oldNotes;
  {
    auto db = engine::Database::open(kPath, {.password = password,
                                             .writable = false,
                                             .cachePages = engine::OpenOptions::kDefaultCachePages,
                                             .fileSystem = &reference});
    oldNames = values(*db, u"Name");
    oldNotes = values(*db, u"Notes");
  }
  runChanges(reference, false, password);
  const std::uint64_t steps = reference.steps();
  ASSERT_GT(steps, 10u);
  std::cout << "fault points: " << steps << "\n";

  std::size_t sawOld = 0, sawNew = 0;
  for (std::uint64_t faultAt = 1; faultAt <= steps; ++faultAt) {
    SCOPED_TRACE("fault at step " + std::to_string(faultAt) + " of " + std::to_string(steps));
    MemoryFolder folder;
    auto db = afterFault(folder, original, fault, faultAt, engine::OpenOptions::kDefaultCachePages,
                         false, password);
    EXPECT_FALSE(folder.has(engine::journalPathFor(kPath))) << "the journal was played back";
    EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
    const auto names = values(*db, u"Name");
    const auto notes = values(*db, u"Notes");
    ASSERT_EQ(names.size(), oldNames.size());
    // Changes are committed one by one: a prefix is new, the rest old.
    bool stillNew = true;
    for (const Change& change : changes()) {
      const auto& now = change.column == u"Name" ? names : notes;
      const auto& before = change.column == u"Name" ? oldNames : oldNotes;
      const bool isNew = now[change.row] == engine::Value(engine::Text(change.value));
      const bool isOld = now[change.row] == before[change.row];
      EXPECT_TRUE(isNew || isOld) << "row " << change.row;
      EXPECT_FALSE(isNew && !stillNew) << "a later change survived an earlier lost one";
      stillNew = stillNew && isNew;
      (isNew ? sawNew : sawOld)++;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
      bool changed = false;
      for (const Change& change : changes()) changed = changed || change.row == i;
      if (!changed) {
        EXPECT_EQ(names[i], oldNames[i]) << i;
      }
    }
  }
  EXPECT_GT(sawOld, 0u);
  EXPECT_GT(sawNew, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UpdateJournalTest,
    ::testing::Combine(::testing::Values(MemoryFolder::Fault::Fail, MemoryFolder::Fault::Die),
                       ::testing::Values(Protection::Clear, Protection::JetEncoded,
                                         Protection::AccdbEncrypted)),
    [](const auto& info) {
      const std::string name =
          std::get<0>(info.param) == MemoryFolder::Fault::Fail ? "Fail" : "Die";
      switch (std::get<1>(info.param)) {
        case Protection::JetEncoded:
          return name + "_JetEncoded";
        case Protection::AccdbEncrypted:
          return name + "_AccdbEncrypted";
        default:
          return name;
      }
    });

// With a cache of a few pages the batch's pages are dropped from it and
// read again while the batch is open; with a large one they stay. Either
// way a crash finds each of them old or new.
TEST(UpdateJournal, OneBatchIsAllOrNothingAtEveryFaultPointWithSmallAndLargeCaches) {
  const std::vector<std::uint8_t> original = fixtureBytes();
  for (std::size_t cachePages : {std::size_t{2}, engine::OpenOptions::kDefaultCachePages}) {
    SCOPED_TRACE("cache of " + std::to_string(cachePages) + " pages");
    MemoryFolder reference;
    reference.put(kPath, original);
    runChanges(reference, true, {}, changes(), cachePages);
    const std::uint64_t steps = reference.steps();
    std::size_t allNew = 0, allOld = 0;
    for (auto fault : {MemoryFolder::Fault::Fail, MemoryFolder::Fault::Die}) {
      for (std::uint64_t faultAt = 1; faultAt <= steps; ++faultAt) {
        SCOPED_TRACE("fault at step " + std::to_string(faultAt));
        MemoryFolder folder;
        auto db = afterFault(folder, original, fault, faultAt, cachePages, true);
        const std::size_t isNew = newValuesOfTheBatch(*db);
        EXPECT_TRUE(isNew == 0 || isNew == changes().size()) << isNew << " of the batch survived";
        (isNew == 0 ? allOld : allNew)++;
      }
    }
    EXPECT_GT(allOld, 0u);
    EXPECT_GT(allNew, 0u);
  }
}

// Batches of one block: every change spills into the file before the
// transaction ends, and later changes rewrite blocks spilled before (the
// same data page, a memo that grows onto new pages and shrinks back). At
// every write and sync the reopened file holds the whole transaction or
// none of it, whatever the cache.
TEST(UpdateJournal, ATransactionThatSpillsIsAllOrNothingAtEveryFaultPoint) {
  const std::vector<std::uint8_t> original = fixtureBytes();
  std::vector<Change> list = changes();
  list.push_back({1, u"Name", u"name number 1, changed again"});
  list.push_back({4, u"Notes", u"the memo shrinks back"});
  list.push_back({2, u"Name", repeat(u"H", 240)});
  for (std::size_t cachePages : {std::size_t{2}, engine::OpenOptions::kDefaultCachePages}) {
    SCOPED_TRACE("cache of " + std::to_string(cachePages) + " pages");
    MemoryFolder reference;
    reference.put(kPath, original);
    std::vector<engine::Value> oldNames, oldNotes, newNames, newNotes;
    {
      auto db = engine::Database::open(kPath, options(reference, false));
      oldNames = values(*db, u"Name");
      oldNotes = values(*db, u"Notes");
    }
    runChanges(reference, true, {}, list, cachePages, 1);
    const std::uint64_t steps = reference.steps();
    std::size_t seals = 0;
    for (const std::string& step : reference.log())
      seals += step == "sync " + engine::journalPathFor(kPath);
    EXPECT_GT(seals, 2 * list.size() - 2) << "each change spilled, its journal sealed";
    {
      auto db = engine::Database::open(kPath, options(reference, false));
      newNames = values(*db, u"Name");
      newNotes = values(*db, u"Notes");
    }
    std::size_t allNew = 0, allOld = 0;
    for (auto fault : {MemoryFolder::Fault::Fail, MemoryFolder::Fault::Die}) {
      for (std::uint64_t faultAt = 1; faultAt <= steps; ++faultAt) {
        SCOPED_TRACE("fault at step " + std::to_string(faultAt) + " of " + std::to_string(steps));
        MemoryFolder folder;
        auto db = afterFault(folder, original, fault, faultAt, cachePages, true, {}, list, 1);
        EXPECT_FALSE(folder.has(engine::journalPathFor(kPath))) << "the journal was played back";
        EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
        const auto names = values(*db, u"Name");
        const auto notes = values(*db, u"Notes");
        const bool isOld = names == oldNames && notes == oldNotes;
        const bool isNew = names == newNames && notes == newNotes;
        EXPECT_TRUE(isOld || isNew) << "part of the transaction survived";
        (isNew ? allNew : allOld)++;
      }
    }
    EXPECT_GT(allOld, 0u);
    EXPECT_GT(allNew, 0u);
  }
}

TEST(UpdateJournal, HotJournalIsPlayedBackEvenWhenOpeningReadOnly) {
  const std::vector<std::uint8_t> original = fixtureBytes();
  // Rebuild the situation by hand: journal of the original pages, changed file.
  MemoryFolder crashed;
  crashed.put(kPath, original);
  auto changed = original;
  std::fill(changed.begin() + 4096, changed.begin() + 6144, 0xEE);
  changed.resize(changed.size() + 4096, 0xEE);
  engine::writeJournal(crashed, engine::journalPathFor(kPath), kPath,
                       updatetest::journalBetween(original, changed, "journal.mdb"));
  crashed.put(kPath, changed);
  auto db = engine::Database::open(kPath, {.password = {},
                                           .writable = false,
                                           .cachePages = engine::OpenOptions::kDefaultCachePages,
                                           .fileSystem = &crashed});  // read-only
  EXPECT_EQ(crashed.durable(kPath), original);
  EXPECT_FALSE(crashed.has(engine::journalPathFor(kPath)));
}

// A journal that was never sealed was cut short before the database was
// touched: it is dropped and the file left alone.
TEST(UpdateJournal, UnsealedJournalIsDroppedAndTheFileLeftAlone) {
  const std::vector<std::uint8_t> original = fixtureBytes();
  auto changed = original;
  std::fill(changed.begin() + 4096, changed.begin() + 6144, 0xEE);
  MemoryFolder folder;
  folder.put(kPath, original);
  folder.injectFault(MemoryFolder::Fault::Die, 4);  // create, write, sync, then the seal
  EXPECT_THROW(engine::writeJournal(folder, engine::journalPathFor(kPath), kPath,
                                    updatetest::journalBetween(original, changed, "journal.mdb")),
               engine::Error);
  folder.reboot();
  ASSERT_TRUE(folder.has(engine::journalPathFor(kPath)));
  auto db = engine::Database::open(kPath, {.password = {},
                                           .writable = false,
                                           .cachePages = engine::OpenOptions::kDefaultCachePages,
                                           .fileSystem = &folder});
  EXPECT_EQ(folder.durable(kPath), original);
  EXPECT_FALSE(folder.has(engine::journalPathFor(kPath)));
}

// Bytes that are no journal at all may hide a torn batch: the journal is
// kept, the file left alone, and the open refused with a sentence naming
// the journal.
TEST(UpdateJournal, UnreadableJournalIsKeptTheFileLeftAloneAndTheOpenRefused) {
  const std::vector<std::uint8_t> original = fixtureBytes();
  MemoryFolder folder;
  folder.put(kPath, original);
  folder.put(engine::journalPathFor(kPath), std::vector<std::uint8_t>(5000, 0x11));
  try {
    engine::Database::open(kPath, {.password = {},
                                   .writable = false,
                                   .cachePages = engine::OpenOptions::kDefaultCachePages,
                                   .fileSystem = &folder});
    ADD_FAILURE() << "opened over an unreadable journal";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::Interrupted);
    EXPECT_NE(e.description().find(engine::journalPathFor(kPath)), std::string::npos);
  }
  EXPECT_EQ(folder.durable(kPath), original);
  EXPECT_TRUE(folder.has(engine::journalPathFor(kPath)));
}

// Once the journal is gone the batch is in the file: a failing flush of the
// folder after that is reported, and nothing is undone without a journal.
TEST(UpdateJournal, FailingFolderFlushAfterTheCommitPointKeepsTheBatchAndIsReported) {
  const std::vector<std::uint8_t> original = fixtureBytes();
  const BatchSteps steps = oneBatchSteps(original);
  MemoryFolder folder;
  folder.put(kPath, original);
  folder.injectFault(MemoryFolder::Fault::Fail, steps.folderFlush);
  std::vector<engine::Error> reported;
  engine::setErrorSink([&](const engine::Error& e) { reported.push_back(e); });
  EXPECT_NO_THROW(runChanges(folder, true));
  engine::setErrorSink(nullptr);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].kind(), engine::ErrorKind::IoError);
  EXPECT_NE(reported[0].description().find(kPath), std::string::npos);
  folder.reboot();
  EXPECT_FALSE(folder.has(engine::journalPathFor(kPath)));
  EXPECT_EQ(newValuesOfTheBatch(folder), changes().size());
}

// A write of the batch fails, and the computer dies at each step of the
// roll-back that follows: the journal, still there, gives back the old
// values at the next open, memo pages included.
TEST(UpdateJournal, CrashDuringEveryStepOfARollBackLeavesTheOldValues) {
  const std::vector<std::uint8_t> original = fixtureBytes();
  const BatchSteps steps = oneBatchSteps(original);
  std::size_t trials = 0;
  for (std::uint64_t failAt = steps.firstPageWrite; failAt < steps.journalRemoved; ++failAt) {
    for (std::uint64_t dieAfter = 1;; ++dieAfter) {
      SCOPED_TRACE("fail at step " + std::to_string(failAt) + ", die " + std::to_string(dieAfter) +
                   " steps later");
      MemoryFolder folder;
      folder.put(kPath, original);
      folder.injectFault(MemoryFolder::Fault::Fail, failAt);
      folder.thenFault(MemoryFolder::Fault::Die, dieAfter);
      engine::setErrorSink([](const engine::Error&) {});
      EXPECT_THROW(runChanges(folder, true), engine::Error);
      engine::setErrorSink(nullptr);
      const bool died = folder.dead();
      folder.reboot();
      EXPECT_EQ(newValuesOfTheBatch(folder), 0u);
      EXPECT_FALSE(folder.has(engine::journalPathFor(kPath)));
      ++trials;
      if (!died) break;  // the roll-back ended before this step
    }
  }
  EXPECT_GT(trials, 10u);
}

// A change that needs the file to grow past its largest size is refused
// with nothing written; changes that fit still go in.
TEST(UpdateJournal, FullFileRefusesTheChangeThatNeedsANewPage) {
  const std::vector<std::uint8_t> original = fixtureBytes();
  MemoryFolder folder;
  folder.put(kPath, original);
  folder.limitFileSize(original.size());
  {
    auto db = engine::Database::open(kPath, options(folder, true));
    const auto& table = db->table(u"Items");
    const std::vector<engine::RowId> ids = updatetest::rowIds(*db, table);
    try {
      db->updateText(table, ids[4], table.columnIndex(u"Notes"),
                     repeat(u"memo grows onto new long-value pages ", 200));
      ADD_FAILURE() << "the file grew past its limit";
    } catch (const engine::Error& e) {
      EXPECT_EQ(e.kind(), engine::ErrorKind::Refused);
      EXPECT_NE(e.description().find(kPath), std::string::npos);
    }
    db->updateText(table, ids[1], table.columnIndex(u"Name"), u"NAME NUMBER 1");
    db->commit();
  }
  EXPECT_EQ(folder.durable(kPath).size(), original.size());
  auto db = engine::Database::open(kPath, options(folder, false));
  EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
  EXPECT_EQ(values(*db, u"Name")[1], engine::Value(engine::Text(u"NAME NUMBER 1")));
  EXPECT_EQ(values(*db, u"Notes")[4], engine::Value(engine::Text(u"a note")));
}

// Access's own limit holds whatever the folder allows.
TEST(UpdateJournal, NothingIsWrittenPastTwoGigabytes) {
  MemoryFolder folder;
  engine::JournaledFile file(folder, engine::makeMemoryFile({}, "big.mdb"), "big.mdb",
                             engine::layout::header::kLargestFile);
  const std::vector<std::uint8_t> page(4096, 1);
  EXPECT_NO_THROW(file.write(engine::layout::header::kLargestFile - 4096, page));
  try {
    file.write(engine::layout::header::kLargestFile, page);
    ADD_FAILURE() << "wrote past 2 GB";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::Refused);
  }
  EXPECT_EQ(file.size(), engine::layout::header::kLargestFile);
}

// A record already behind an overflow pointer moves on to another page,
// comes back home and leaves again. At every write and sync of those
// changes a fault leaves each committed change whole or absent: the record
// holds one of the values it was given in order, every other record keeps
// its value, and the rows it left carry the marks of removed rows.
class SecondMoveJournalTest : public ::testing::TestWithParam<MemoryFolder::Fault> {};

TEST_P(SecondMoveJournalTest, EveryFaultPointLeavesOldOrNew) {
  constexpr std::size_t kRecord = 3;
  // First moves, without faults: the record and the ones after it leave
  // their page, filling the page the record moved to.
  MemoryFolder prepared;
  prepared.put(kPath, fixtureBytes());
  std::vector<Change> first;
  for (std::size_t row = kRecord; row < kRecord + 20; ++row)
    first.push_back({row, u"Name", repeat(u"G", 240 + row % 10)});
  runChanges(prepared, false, {}, first);
  const std::vector<std::uint8_t> moved = prepared.durable(kPath);

  const std::vector<Change> second = {{kRecord, u"Name", repeat(u"Ω", 250)},   // moves on
                                      {kRecord, u"Name", u"home"},             // comes home
                                      {kRecord, u"Name", repeat(u"Ж", 200)}};  // leaves again
  // Without faults: where the record is after each change, and how many
  // writes and syncs they take.
  std::vector<engine::Value> namesBefore;
  MemoryFolder reference;
  reference.put(kPath, moved);
  {
    auto db = engine::Database::open(kPath, {.password = {},
                                             .writable = true,
                                             .cachePages = engine::OpenOptions::kDefaultCachePages,
                                             .fileSystem = &reference});
    namesBefore = values(*db, u"Name");
    const auto& table = db->table(u"Items");
    const engine::RowId id = updatetest::rowIds(*db, table).at(kRecord);
    std::vector<engine::RowId> places{db->readRow(table, id)->storedAt};
    for (const Change& change : second) {
      db->updateText(table, id, table.columnIndex(change.column), change.value);
      places.push_back(db->readRow(table, id)->storedAt);
    }
    ASSERT_NE(places[0], id) << "the record should have moved";
    EXPECT_NE(places[1].page, places[0].page) << "the record should have moved on";
    EXPECT_EQ(places[2], id) << "the record should have come home";
    EXPECT_NE(places[3], id) << "the record should have left again";
  }
  reference.put(kPath, moved);
  reference.injectFault(MemoryFolder::Fault::None, 0);
  runChanges(reference, false, {}, second);
  const std::uint64_t steps = reference.steps();
  std::cout << "fault points: " << steps << "\n";

  std::vector<std::size_t> seen(second.size() + 1, 0);
  for (std::uint64_t faultAt = 1; faultAt <= steps; ++faultAt) {
    SCOPED_TRACE("fault at step " + std::to_string(faultAt) + " of " + std::to_string(steps));
    MemoryFolder folder;
    auto db = afterFault(folder, moved, GetParam(), faultAt, 64, false, {}, second);
    EXPECT_EQ(updatetest::consistencyProblems(*db), std::vector<std::string>{});
    const auto names = values(*db, u"Name");
    ASSERT_EQ(names.size(), namesBefore.size());
    // The record holds the value of the last change that survived.
    const bool old = names[kRecord] == namesBefore[kRecord];
    std::size_t last = 0;
    while (last < second.size() &&
           names[kRecord] != engine::Value(engine::Text(second[last].value)))
      ++last;
    EXPECT_TRUE(old || last < second.size()) << "the record holds a value it was never given";
    ++seen[old ? 0 : last + 1];
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (i == kRecord) continue;
      EXPECT_EQ(names[i], namesBefore[i]) << i;
    }
  }
  for (std::size_t k = 0; k < seen.size(); ++k)
    EXPECT_GT(seen[k], 0u) << "no fault point left the record after " << k << " changes";
}

INSTANTIATE_TEST_SUITE_P(Faults, SecondMoveJournalTest,
                         ::testing::Values(MemoryFolder::Fault::Fail, MemoryFolder::Fault::Die),
                         [](const auto& info) {
                           return info.param == MemoryFolder::Fault::Fail ? "Fail" : "Die";
                         });

}  // namespace
