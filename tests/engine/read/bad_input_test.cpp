// Files that are missing, not Access databases, truncated or damaged: each
// must fail with a clear engine::Error naming the file, never crash or hang.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/database.h"
#include "engine/error.h"
#include "engine/format/layout_index.h"
#include "engine/format/layout_tdef.h"
#include "engine/read/data_page.h"
#include "engine/read/index_reader.h"
#include "engine/support/corpus_files.h"
#include "support/shared_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using enginetest::corpusFile;

// Opens `bytes` and reads every user table; returns the error, if any.
std::optional<engine::Error> openAndScan(Bytes bytes, const std::string& name = "damaged.mdb",
                                         const std::u16string& password = {}) {
  try {
    engine::OpenOptions options;
    options.password = password;
    auto db = engine::Database::open(engine::makeMemoryFile(std::move(bytes), name), options);
    for (const auto& name : db->userTableNames()) {
      const auto& table = db->table(name);
      auto scan = db->scan(table);
      engine::Row row;
      while (scan->next(row)) {
      }
      for (const auto& index : table.realIndexes)
        engine::readIndexEntries(db->pager(), db->format(), table, index);
    }
    db->queriesWithParameters();
  } catch (const engine::Error& e) {
    return e;
  }
  return std::nullopt;
}

void expectDamaged(const std::optional<engine::Error>& error, const std::string& fragment) {
  ASSERT_TRUE(error.has_value()) << "no error reported";
  EXPECT_EQ(error->kind(), engine::ErrorKind::Damaged) << error->description();
  EXPECT_NE(error->description().find("damaged.mdb"), std::string::npos) << error->description();
  EXPECT_NE(error->description().find(fragment), std::string::npos) << error->description();
}

TEST(BadInput, MissingFileCannotBeFound) {
  try {
    engine::Database::open("/nonexistent/folder/none.mdb");
    FAIL();
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::NotFound);
    EXPECT_EQ(e.description(), "Could not find file '/nonexistent/folder/none.mdb'.");
  }
}

TEST(BadInput, GarbageIsAnUnrecognizedFormat) {
  std::mt19937 random(7);
  Bytes garbage(8192);
  for (auto& b : garbage) b = static_cast<std::uint8_t>(random());
  auto error = openAndScan(garbage, "garbage.mdb");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->description(), "Unrecognized database format 'garbage.mdb'.");
}

TEST(BadInput, TinyAndEmptyFilesAreUnrecognized) {
  EXPECT_TRUE(openAndScan(Bytes{}, "empty.mdb"));
  EXPECT_TRUE(openAndScan(Bytes(100, 0), "tiny.mdb"));
}

TEST(BadInput, UnknownVersionByteIsUnrecognized) {
  SKIP_WITHOUT_CORPUS();
  auto bytes = enginetest::readBytes(corpusFile("testV2007.accdb"));
  bytes[0x14] = 0x09;
  auto error = openAndScan(bytes, "future.accdb");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->description(), "Unrecognized database format 'future.accdb'.");
}

TEST(BadInput, FileCutInsideAPageIsDamaged) {
  SKIP_WITHOUT_CORPUS();
  auto bytes = enginetest::readBytes(corpusFile("testV2007.accdb"));
  bytes.resize(bytes.size() - 100);
  expectDamaged(openAndScan(bytes), "not a multiple of the page size");
}

TEST(BadInput, FileCutAtAPageBoundaryFailsCleanly) {
  SKIP_WITHOUT_CORPUS();
  for (const char* name : {"testV2007.accdb", "testV1997.mdb", "test2V2010.accdb"}) {
    auto full = enginetest::readBytes(corpusFile(name));
    const std::size_t pageSize = std::string(name).find("1997") != std::string::npos ? 2048 : 4096;
    for (std::size_t pages : {2, 3, 5, 8, 20, 40}) {
      Bytes cut(full.begin(), full.begin() + static_cast<long>(pages * pageSize));
      auto error = openAndScan(cut);
      ASSERT_TRUE(error) << name << " cut to " << pages << " pages";
      EXPECT_NE(error->description().find("damaged.mdb"), std::string::npos);
    }
  }
}

TEST(BadInput, LoopInTheTableDefinitionChainIsDetected) {
  SKIP_WITHOUT_CORPUS();
  auto bytes = enginetest::readBytes(corpusFile("testV2007.accdb"));
  // The catalogue's definition (page 2) continues on itself.
  const std::size_t at = 2 * 4096 + engine::layout::tdef::kNextPage;
  bytes[at] = 2;
  bytes[at + 1] = bytes[at + 2] = bytes[at + 3] = 0;
  expectDamaged(openAndScan(bytes), "loops");
}

TEST(BadInput, LoopInALongValueChainIsDetected) {
  SKIP_WITHOUT_CORPUS();
  // test2V2010 holds a multi-page OLE value: make its first chain row link to
  // itself.
  auto bytes = enginetest::readBytes(corpusFile("test2V2010.accdb"));
  const std::string path = "damaged.mdb";
  const auto format = *engine::Format::fromVersionByte(3);
  bool changed = false;
  for (std::uint32_t page = 1; page < bytes.size() / 4096 && !changed; ++page) {
    std::span<std::uint8_t> raw(bytes.data() + page * 4096, 4096);
    if (raw[0] != 0x01 || std::memcmp(&raw[4], "LVAL", 4) != 0) continue;
    engine::DataPageView view(engine::BoundedBytes(raw, page, path), format);
    for (std::size_t slot = 0; slot < view.slotCount(); ++slot) {
      auto s = view.slot(slot);
      if (s.deleted() || s.length() < 1000) continue;
      auto link = engine::RowPointer::fromRaw(engine::readU32(raw, s.start));
      if (link.page == 0 || link.page >= bytes.size() / 4096) continue;
      if (std::memcmp(&bytes[link.page * 4096 + 4], "LVAL", 4) != 0) continue;
      std::uint32_t self = (page << 8) | static_cast<std::uint32_t>(slot);
      std::memcpy(&raw[s.start], &self, 4);
      changed = true;
      break;
    }
  }
  ASSERT_TRUE(changed) << "no long-value chain found";
  auto error = openAndScan(bytes);
  expectDamaged(error, "");
  ASSERT_TRUE(error);
  const auto& text = error->description();
  EXPECT_TRUE(text.find("loops") != std::string::npos ||
              text.find("ends after") != std::string::npos)
      << text;
}

TEST(BadInput, LoopInAnIndexTreeIsDetected) {
  SKIP_WITHOUT_CORPUS();
  const auto path = corpusFile("compIndexTestV2010.accdb");
  std::uint32_t root = 0;
  {
    auto db = engine::Database::open(path.string());
    root = db->table(u"Table1").realIndexes.at(0).rootPage;
  }
  auto bytes = enginetest::readBytes(path);
  ASSERT_EQ(bytes[root * 4096], 0x03) << "the root should be a node page";
  // The root's tail page: the root itself.
  std::memcpy(&bytes[root * 4096 + engine::layout::index::kTailPageJet4], &root, 4);
  auto db = engine::Database::open(engine::makeMemoryFile(bytes, "damaged.mdb"));
  const auto& table = db->table(u"Table1");
  try {
    engine::readIndexEntries(db->pager(), db->format(), table, table.realIndexes.at(0));
    FAIL() << "no loop reported";
  } catch (const engine::Error& e) {
    EXPECT_NE(e.description().find("loop"), std::string::npos) << e.description();
  }
}

TEST(BadInput, UsageMapBeyondTheFileIsDamaged) {
  SKIP_WITHOUT_CORPUS();
  auto bytes = enginetest::readBytes(corpusFile("testV2007.accdb"));
  // The catalogue's owned-pages map pointer: a page far past the end.
  const std::size_t at = 2 * 4096 + engine::layout::tdef::kJet4.ownedPagesMap;
  bytes[at + 1] = bytes[at + 2] = bytes[at + 3] = 0x7F;
  expectDamaged(openAndScan(bytes), "beyond the end of the file");
}

TEST(BadInput, AbsurdColumnCountIsDamagedNotAnAllocation) {
  SKIP_WITHOUT_CORPUS();
  auto bytes = enginetest::readBytes(corpusFile("testV2007.accdb"));
  const std::size_t at = 2 * 4096 + engine::layout::tdef::kJet4.realIndexes;
  bytes[at] = bytes[at + 1] = bytes[at + 2] = bytes[at + 3] = 0xFF;
  expectDamaged(openAndScan(bytes), "do not fit");
}

// A file whose reads fail from the Nth on, as a disk or network fault would.
class FailingFile final : public engine::File {
 public:
  FailingFile(std::unique_ptr<engine::File> inner, int failFrom)
      : inner_(std::move(inner)), failFrom_(failFrom) {}
  const std::string& path() const override { return inner_->path(); }
  std::uint64_t size() const override { return inner_->size(); }
  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (reads_++ >= failFrom_) throw engine::Error::ioError(path(), "reading", "injected fault");
    inner_->read(offset, out);
  }
  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    inner_->write(offset, data);
  }
  void sync() override { inner_->sync(); }

 private:
  std::unique_ptr<engine::File> inner_;
  int failFrom_;
  int reads_ = 0;
};

TEST(BadInput, ReadFaultsSurfaceAsErrorsAtEveryStep) {
  SKIP_WITHOUT_CORPUS();
  const auto bytes = enginetest::readBytes(corpusFile("test2V2010.accdb"));
  bool completed = false;
  for (int failFrom = 0; failFrom < 200 && !completed; ++failFrom) {
    auto file =
        std::make_unique<FailingFile>(engine::makeMemoryFile(bytes, "faulty.accdb"), failFrom);
    engine::OpenOptions options;
    options.cachePages = 4;
    try {
      auto db = engine::Database::open(std::move(file), options);
      for (const auto& name : db->userTableNames()) {
        auto scan = db->scan(db->table(name));
        engine::Row row;
        while (scan->next(row)) {
        }
      }
      completed = true;
    } catch (const engine::Error& e) {
      EXPECT_EQ(e.description(),
                "Disk or network error while reading 'faulty.accdb': injected fault.");
    }
  }
  EXPECT_TRUE(completed) << "the whole read needs fewer than 200 page reads";
}

// Random byte changes in every kind of file: only engine::Error may come out
// (the sanitizer build also catches bad reads and undefined behaviour).
TEST(BadInput, RandomCorruptionOnlyRaisesAdoErrors) {
  SKIP_WITHOUT_CORPUS();
  std::mt19937 random(20241208);
  for (const char* name :
       {"testV1997.mdb", "test2V1997.mdb", "delColTestV2000.mdb", "overflowTestV2003.mdb",
        "jackcessencrypt-db-enc.mdb", "test2V2010.accdb", "extDateTestV2019.accdb",
        "complexDataTestV2007.accdb"}) {
    const auto original = enginetest::readBytes(corpusFile(name));
    const std::size_t pageSize = std::string(name).find("1997") != std::string::npos ? 2048 : 4096;
    const std::size_t pages = original.size() / pageSize;
    for (int round = 0; round < 60; ++round) {
      Bytes bytes = original;
      int changes = 1 + static_cast<int>(random() % 16);
      for (int i = 0; i < changes; ++i) {
        // Mostly the structures reading starts from: catalogue and early pages.
        std::size_t page = (random() % 2) ? 1 + random() % std::min<std::size_t>(pages - 1, 8)
                                          : 1 + random() % (pages - 1);
        bytes[page * pageSize + random() % pageSize] = static_cast<std::uint8_t>(random());
      }
      try {
        openAndScan(bytes);
      } catch (const std::exception& e) {
        FAIL() << name << " round " << round << ": not an engine::Error: " << e.what();
      }
    }
  }
}

// The encryption description in page 0 is read before anything else: damage
// to it (or to the encrypted pages) gives engine::Errors, never a crash, and a
// damaged verifier is indistinguishable from a wrong password.
TEST(BadInput, DamagedEncryptionDescriptionsOnlyRaiseAdoErrors) {
  SKIP_WITHOUT_CORPUS();
  constexpr std::size_t kProvider = 0x299;
  std::mt19937 random(20261208);
  for (const char* name : {"mdbreader-encryption-office-agile-4.2.accdb",
                           "mdbreader-encryption-office-agile-4.4.accdb"}) {
    const auto original = enginetest::readBytes(corpusFile(name));
    const std::size_t length = original[kProvider] | (original[kProvider + 1] << 8);
    for (int round = 0; round < 40; ++round) {
      Bytes bytes = original;
      const int changes = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < changes; ++i)
        bytes[kProvider + random() % (length + 2)] = static_cast<std::uint8_t>(random());
      if (round % 8 == 0) bytes[4096 + random() % 4096] ^= 0x40;  // a data page too
      try {
        openAndScan(bytes, "damaged.accdb", u"password");
      } catch (const std::exception& e) {
        FAIL() << name << " round " << round << ": not an engine::Error: " << e.what();
      }
    }
  }
}

}  // namespace
