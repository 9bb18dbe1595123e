// Which journals are played back: only a sealed journal of this database, in
// the state it was written against; every intact record of it, and a refusal
// that keeps the journal when part of it is damaged or unreadable.

#include <gtest/gtest.h>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/journal/rollback_journal.h"
#include "engine/support/journal_fixture.h"
#include "engine/support/update_support.h"

namespace {

using namespace journaltest;
using updatetest::MemoryFolder;

const std::string kJournal = engine::journalPathFor(kPath);

// The folder as a process killed inside a commit leaves it: a sealed journal
// and some of the batch's pages written.
struct Crashed {
  std::vector<std::uint8_t> original;
  std::vector<std::uint8_t> database;
  std::vector<std::uint8_t> journal;
  std::vector<std::uint8_t> committed;  // the database with the whole batch
};

Crashed crashInsideACommit(Protection protection = Protection::Clear) {
  Crashed crashed;
  crashed.original = fixtureBytes(protection);
  MemoryFolder reference;
  reference.put(kPath, crashed.original);
  runChanges(reference, true, passwordFor(protection));
  crashed.committed = reference.durable(kPath);
  std::uint64_t pageWrites = 0, killAt = 0;
  for (std::uint64_t i = 0; i < reference.log().size(); ++i)
    if (reference.log()[i] == std::string("write ") + kPath && ++pageWrites == 3) killAt = i + 1;
  EXPECT_GT(killAt, 0u);
  MemoryFolder folder;
  folder.put(kPath, crashed.original);
  folder.injectFault(MemoryFolder::Fault::Kill, killAt);
  engine::setErrorSink([](const engine::Error&) {});
  EXPECT_THROW(runChanges(folder, true, passwordFor(protection)), engine::Error);
  engine::setErrorSink(nullptr);
  folder.reboot();
  crashed.database = folder.durable(kPath);
  crashed.journal = folder.durable(kJournal);
  EXPECT_NE(crashed.database, crashed.original) << "some pages of the batch were written";
  return crashed;
}

// Opens the database in a folder holding `database` and `journal`; the
// error of the open, if any.
std::optional<engine::Error> openOver(MemoryFolder& folder,
                                      const std::vector<std::uint8_t>& database,
                                      const std::vector<std::uint8_t>& journal) {
  folder.put(kPath, database);
  folder.put(kJournal, journal);
  try {
    engine::Database::open(kPath, options(folder, false));
  } catch (const engine::Error& e) {
    return e;
  }
  return std::nullopt;
}

void expectRefusedAndKept(const std::optional<engine::Error>& error, MemoryFolder& folder) {
  ASSERT_TRUE(error) << "the open went through";
  EXPECT_EQ(error->kind(), engine::ErrorKind::Interrupted);
  EXPECT_NE(error->description().find(kJournal), std::string::npos) << error->description();
  EXPECT_TRUE(folder.has(kJournal)) << "the journal was kept";
}

TEST(JournalRecovery, HalfWrittenBatchIsPlayedBack) {
  const Crashed crashed = crashInsideACommit();
  MemoryFolder folder;
  EXPECT_FALSE(openOver(folder, crashed.database, crashed.journal));
  EXPECT_EQ(folder.durable(kPath), crashed.original);
  EXPECT_FALSE(folder.has(kJournal));
  EXPECT_EQ(newValuesOfTheBatch(folder), 0u);
}

// The journal as the first version of its format wrote it: the same
// layout, with every checksum a byte-wise FNV-1a.
std::vector<std::uint8_t> asVersion1(const Crashed& crashed) {
  const auto fnv = [](const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * 0x100000001b3ull;
    return h;
  };
  const auto putU64 = [](std::uint8_t* at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  const auto u32 = [](const std::uint8_t* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
           std::uint32_t{at[3]} << 24;
  };
  std::vector<std::uint8_t> journal = crashed.journal;
  std::uint8_t* header = journal.data();
  const std::uint32_t blockSize = u32(header + 20), records = u32(header + 28);
  header[16] = 1;  // the version
  putU64(header + 56, fnv(crashed.original.data(), blockSize));
  putU64(header + 504, fnv(header, 504));
  const std::size_t sectors = blockSize / 512, recordSize = 16 + blockSize + 8 * sectors + 8;
  for (std::uint32_t r = 0; r < records; ++r) {
    std::uint8_t* record = journal.data() + 512 + r * recordSize;
    const std::size_t offset = std::size_t{u32(record + 8)} * blockSize;
    for (std::size_t i = 0; i < sectors; ++i)
      putU64(record + 16 + blockSize + 8 * i,
             fnv(crashed.committed.data() + offset + 512 * i, 512));
    putU64(record + recordSize - 8, fnv(record, recordSize - 8));
  }
  return journal;
}

TEST(JournalRecovery, JournalOfTheFormatsFirstVersionIsStillPlayedBack) {
  const Crashed crashed = crashInsideACommit();
  MemoryFolder folder;
  EXPECT_FALSE(openOver(folder, crashed.database, asVersion1(crashed)));
  EXPECT_EQ(folder.durable(kPath), crashed.original);
  EXPECT_FALSE(folder.has(kJournal));
}

TEST(JournalRecovery, DamagedJournalIsNeverDroppedInSilence) {
  const Crashed crashed = crashInsideACommit();
  const std::size_t size = crashed.journal.size();
  ASSERT_GT(size, 3 * 512u);
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> damaged;
  for (std::size_t length : {std::size_t{1}, std::size_t{100}, std::size_t{511}, std::size_t{512},
                             std::size_t{600}, size / 2, size - 100, size - 1})
    damaged.emplace_back(
        "cut to " + std::to_string(length),
        std::vector<std::uint8_t>(crashed.journal.begin(),
                                  crashed.journal.begin() + static_cast<std::ptrdiff_t>(length)));
  for (std::size_t at : {std::size_t{20}, std::size_t{505}, std::size_t{512 + 20}, size - 3}) {
    auto flipped = crashed.journal;
    flipped[at] ^= 0x40;
    damaged.emplace_back("byte " + std::to_string(at) + " flipped", std::move(flipped));
  }
  for (const auto& [what, journal] : damaged) {
    SCOPED_TRACE(what);
    MemoryFolder folder;
    expectRefusedAndKept(openOver(folder, crashed.database, journal), folder);
    // Writing is refused too, and the refusal holds at every later open.
    try {
      engine::Database::open(kPath, options(folder, true));
      ADD_FAILURE() << "opened for writing";
    } catch (const engine::Error& e) {
      EXPECT_EQ(e.kind(), engine::ErrorKind::Interrupted);
    }
    EXPECT_TRUE(folder.has(kJournal));
  }
}

TEST(JournalRecovery, IntactRecordsBeforeTheDamageArePlayedBack) {
  const Crashed crashed = crashInsideACommit();
  auto journal = crashed.journal;
  journal[journal.size() - 3] ^= 0x40;  // in the last record
  MemoryFolder folder;
  expectRefusedAndKept(openOver(folder, crashed.database, journal), folder);
  const auto restored = folder.durable(kPath);
  EXPECT_NE(restored, crashed.database) << "the intact records were played back";
  // Removing the journal, as the sentence says, opens the file as it is.
  folder.erase(kJournal);
  EXPECT_NO_THROW(engine::Database::open(kPath, options(folder, false)));
}

TEST(JournalRecovery, GarbageAfterTheRecordsIsIgnored) {
  const Crashed crashed = crashInsideACommit();
  auto journal = crashed.journal;
  journal.insert(journal.end(), 3000, 0x5a);
  MemoryFolder folder;
  EXPECT_FALSE(openOver(folder, crashed.database, journal));
  EXPECT_EQ(folder.durable(kPath), crashed.original);
  EXPECT_FALSE(folder.has(kJournal));
}

TEST(JournalRecovery, JournalOfAnotherDatabaseIsNeverPlayedBack) {
  const Crashed mine = crashInsideACommit();
  // Another database by the same name (a different file, larger pages
  // enciphered), and this database's journal written under another name.
  const Crashed other = crashInsideACommit(Protection::AccdbEncrypted);
  MemoryFolder renamedFolder;
  renamedFolder.put("/memory/other.mdb", mine.original);
  engine::writeJournal(renamedFolder, "/memory/other.mdb-journal", "/memory/other.mdb",
                       updatetest::journalBetween(mine.original, mine.database, "other.mdb"));
  const auto renamed = renamedFolder.durable("/memory/other.mdb-journal");
  for (const auto& [what, journal] :
       {std::pair{"another database's journal", other.journal},
        std::pair{"this database's journal under another name", renamed}}) {
    SCOPED_TRACE(what);
    MemoryFolder folder;
    expectRefusedAndKept(openOver(folder, mine.database, journal), folder);
    EXPECT_EQ(folder.durable(kPath), mine.database) << "nothing was written";
  }
}

// A transaction that spilled more than once leaves a journal that knows
// every version a block had: a block torn between two of them, sector by
// sector, is played back; a sector that is none of them refuses the journal.
TEST(JournalRecovery, EveryVersionOfABlockChangedInSeveralSpillsIsKnown) {
  const std::vector<std::uint8_t> original = fixtureBytes();
  auto first = original, second = original;
  std::fill(first.begin() + 4096, first.begin() + 6144, 0x11);
  std::fill(second.begin() + 4096, second.begin() + 6144, 0x22);
  engine::JournalContents journal = updatetest::journalBetween(original, first, "journal.mdb");
  const auto later = updatetest::journalBetween(original, second, "journal.mdb").blocks;
  ASSERT_EQ(journal.blocks.size(), 1u);
  for (auto& [offset, block] : journal.blocks) {
    const auto& sectors = later.at(offset).newSectors;
    block.newSectors.insert(block.newSectors.end(), sectors.begin(), sectors.end());
  }
  auto torn = second;
  std::copy(first.begin() + 4096, first.begin() + 5120, torn.begin() + 4096);
  auto foreign = torn;
  foreign[5500] ^= 1;

  MemoryFolder folder;
  folder.put(kPath, original);
  engine::writeJournal(folder, kJournal, kPath, journal);
  EXPECT_FALSE(openOver(folder, torn, folder.durable(kJournal)));
  EXPECT_EQ(folder.durable(kPath), original);
  EXPECT_FALSE(folder.has(kJournal));

  MemoryFolder refusing;
  refusing.put(kPath, original);
  engine::writeJournal(refusing, kJournal, kPath, journal);
  expectRefusedAndKept(openOver(refusing, foreign, refusing.durable(kJournal)), refusing);
  EXPECT_EQ(refusing.durable(kPath), foreign) << "nothing was written";
}

TEST(JournalRecovery, StaleJournalPutBackAfterALaterConversionIsNeverPlayedBack) {
  const Crashed crashed = crashInsideACommit();
  MemoryFolder folder;
  ASSERT_FALSE(openOver(folder, crashed.database, crashed.journal));
  {
    // A later conversion of the same records, to other values. (One that
    // leaves every page byte for byte as the crashed batch would have cannot
    // be told from a crash after its last page write; playing back then
    // restores the old values whole.)
    auto db = engine::Database::open(kPath, options(folder, true));
    const auto& table = db->table(u"Items");
    const std::vector<engine::RowId> ids = updatetest::rowIds(*db, table);
    for (const Change& change : changes())
      db->updateText(table, ids.at(change.row), table.columnIndex(change.column),
                     u"later " + change.value.substr(0, 200));
    db->commit();
  }
  const auto converted = folder.durable(kPath);
  folder.put(kJournal, crashed.journal);
  try {
    engine::Database::open(kPath, options(folder, false));
    ADD_FAILURE() << "the stale journal was accepted";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::Interrupted);
  }
  EXPECT_EQ(folder.durable(kPath), converted);
  EXPECT_TRUE(folder.has(kJournal));
}

}  // namespace
