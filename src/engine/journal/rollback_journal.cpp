#include "engine/journal/rollback_journal.h"

#include <cstring>

#include "engine/base/error.h"
#include "engine/format/byte_order.h"

namespace engine {
namespace {

constexpr char kTag[16] = {'C', 'a', 's', 'e', 'l', 'o', 'o', 'm',
                           ' ', 'r', 'o', 'l', 'l', 'b', 'a', 'k'};
constexpr std::size_t kTrailerSize = 16 + 4 + 4 + 8 + 8;

// FNV-1a, 64 bits: enough to tell a complete journal from a torn one.
std::uint64_t checksum(const std::uint8_t* data, std::size_t size) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::size_t i = 0; i < size; ++i) {
    h ^= data[i];
    h *= 0x100000001b3ull;
  }
  return h;
}

// The journal's contents when it is complete, else nothing.
std::optional<JournalContents> parseJournal(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kTrailerSize) return std::nullopt;
  const std::size_t trailerAt = bytes.size() - kTrailerSize;
  if (std::memcmp(bytes.data() + trailerAt, kTag, sizeof kTag) != 0) return std::nullopt;
  const std::uint32_t blockSize = readU32(bytes, trailerAt + 16);
  const std::uint32_t count = readU32(bytes, trailerAt + 20);
  if (blockSize == 0 || bytes.size() != std::uint64_t{count} * (4 + blockSize) + kTrailerSize)
    return std::nullopt;
  if (checksum(bytes.data(), bytes.size() - 8) != readU64(bytes, trailerAt + 32))
    return std::nullopt;
  JournalContents contents;
  contents.originalSize = readU64(bytes, trailerAt + 24);
  std::size_t at = 0;
  for (std::uint32_t i = 0; i < count; ++i, at += 4 + blockSize) {
    std::uint64_t offset = std::uint64_t{readU32(bytes, at)} * blockSize;
    const auto* block = bytes.data() + at + 4;
    contents.blocks[offset].assign(block, block + blockSize);
  }
  return contents;
}

}  // namespace

std::string journalPathFor(const std::string& databasePath) { return databasePath + "-journal"; }

void writeJournal(FileSystem& fs, const std::string& journalPath, const JournalContents& contents,
                  std::uint32_t blockSize) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(contents.blocks.size() * (4 + blockSize) + kTrailerSize);
  for (const auto& [offset, block] : contents.blocks) {
    appendU32(bytes, static_cast<std::uint32_t>(offset / blockSize));
    bytes.insert(bytes.end(), block.begin(), block.end());
  }
  bytes.insert(bytes.end(), kTag, kTag + sizeof kTag);
  appendU32(bytes, blockSize);
  appendU32(bytes, static_cast<std::uint32_t>(contents.blocks.size()));
  appendU64(bytes, contents.originalSize);
  appendU64(bytes, checksum(bytes.data(), bytes.size()));
  std::unique_ptr<File> journal = fs.create(journalPath);
  journal->write(0, bytes);
  journal->sync();
}

void recoverJournal(FileSystem& fs, const std::string& databasePath) {
  const std::string journalPath = journalPathFor(databasePath);
  if (!fs.exists(journalPath)) return;
  // A journal of a writer still at work is not ours to play back.
  std::unique_ptr<FileLock> lock = fs.tryLock(databasePath);
  if (!lock) throw Error::fileInUse(databasePath);

  std::vector<std::uint8_t> bytes;
  {
    std::unique_ptr<File> journal = fs.open(journalPath, false);
    bytes.resize(journal->size());
    if (!bytes.empty()) journal->read(0, bytes);
  }
  std::optional<JournalContents> contents = parseJournal(bytes);
  if (!contents) {
    // Cut short before it was synced: the database was not touched. A
    // leftover that cannot be removed does no harm.
    try {
      fs.remove(journalPath);
    } catch (const Error&) {
    }
    return;
  }
  std::unique_ptr<File> database;
  try {
    database = fs.open(databasePath, true);
  } catch (const Error& e) {
    if (e.kind() == ErrorKind::ReadOnly) throw Error::interruptedWrite(databasePath);
    throw;
  }
  for (const auto& [offset, block] : contents->blocks) {
    if (offset < contents->originalSize) database->write(offset, block);
  }
  if (database->size() != contents->originalSize) database->truncate(contents->originalSize);
  database->sync();
  fs.remove(journalPath);
}

}  // namespace engine
