#include "engine/journal/rollback_journal.h"

#include <cstring>
#include <filesystem>
#include <optional>

#include "engine/error.h"
#include "engine/format/byte_order.h"
#include "engine/format/layout_header.h"
#include "engine/journal/run_writer.h"
#include "engine/journal/writer_lock.h"

namespace engine {
namespace {

constexpr char kTag[16] = {'C', 'a', 's', 'e', 'l', 'o', 'o', 'm',
                           ' ', 'j', 'o', 'u', 'r', 'n', 'a', 'l'};
// Version 1 hashed byte by byte; a journal an older build left behind is
// still played back with its own checksum.
constexpr std::uint32_t kFormatVersion = 2;

// The header fills one sector, so that sealing it is one atomic write.
constexpr std::size_t kHeaderSize = kJournalSectorSize;
namespace at {
constexpr std::size_t kVersion = 16;
constexpr std::size_t kBlockSize = 20;
constexpr std::size_t kPageSize = 24;
constexpr std::size_t kRecordCount = 28;
constexpr std::size_t kNonce = 32;
constexpr std::size_t kOriginalSize = 40;
constexpr std::size_t kNewSize = 48;
constexpr std::size_t kFirstBlock = 56;
constexpr std::size_t kNameLength = 64;
constexpr std::size_t kName = 66;
constexpr std::size_t kChecksum = kHeaderSize - 8;
}  // namespace at
constexpr std::size_t kMaxNameLength = at::kChecksum - at::kName;

// Record: nonce, block number, reserved, original bytes, new sector
// checksums, checksum of all that.
constexpr std::size_t kRecordHead = 8 + 4 + 4;

std::size_t sectorsPerBlock(std::uint32_t blockSize) { return blockSize / kJournalSectorSize; }

std::size_t recordSize(std::uint32_t blockSize) {
  return kRecordHead + blockSize + 8 * sectorsPerBlock(blockSize) + 8;
}

using Checksum = std::uint64_t (*)(std::span<const std::uint8_t>);

// The byte-wise FNV-1a of version 1.
std::uint64_t checksumOfVersion1(std::span<const std::uint8_t> bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h;
}

struct Header {
  JournalContents contents;  // without blocks
  std::uint32_t recordCount = 0;
  Checksum checksum = journalChecksum;  // the one of the journal's version
};

Bytes headerBytes(const JournalContents& contents, std::uint32_t recordCount) {
  Bytes bytes(kHeaderSize, 0);
  std::memcpy(bytes.data(), kTag, sizeof kTag);
  putU32(bytes, at::kVersion, kFormatVersion);
  putU32(bytes, at::kBlockSize, contents.blockSize);
  putU32(bytes, at::kPageSize, contents.pageSize);
  putU32(bytes, at::kRecordCount, recordCount);
  putU64(bytes, at::kNonce, contents.nonce);
  putU64(bytes, at::kOriginalSize, contents.originalSize);
  putU64(bytes, at::kNewSize, contents.newSize);
  putU64(bytes, at::kFirstBlock, contents.firstBlockChecksum);
  const std::size_t nameLength = std::min(contents.databaseName.size(), kMaxNameLength);
  putU16(bytes, at::kNameLength, static_cast<std::uint16_t>(nameLength));
  std::memcpy(bytes.data() + at::kName, contents.databaseName.data(), nameLength);
  putU64(bytes, at::kChecksum, journalChecksum(std::span(bytes).first(at::kChecksum)));
  return bytes;
}

std::optional<Header> parseHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kTag, sizeof kTag) != 0)
    return std::nullopt;
  Header header;
  const std::uint32_t version = readU32(bytes, at::kVersion);
  if (version == 1)
    header.checksum = checksumOfVersion1;
  else if (version != kFormatVersion)
    return std::nullopt;
  if (header.checksum(bytes.first(at::kChecksum)) != readU64(bytes, at::kChecksum))
    return std::nullopt;
  JournalContents& c = header.contents;
  c.blockSize = readU32(bytes, at::kBlockSize);
  c.pageSize = readU32(bytes, at::kPageSize);
  header.recordCount = readU32(bytes, at::kRecordCount);
  c.nonce = readU64(bytes, at::kNonce);
  c.originalSize = readU64(bytes, at::kOriginalSize);
  c.newSize = readU64(bytes, at::kNewSize);
  c.firstBlockChecksum = readU64(bytes, at::kFirstBlock);
  const std::size_t nameLength = readU16(bytes, at::kNameLength);
  if (nameLength > kMaxNameLength || c.blockSize == 0 || c.blockSize % kJournalSectorSize != 0)
    return std::nullopt;
  c.databaseName.assign(reinterpret_cast<const char*>(bytes.data() + at::kName), nameLength);
  return header;
}

// The records from `bytes` (after the header) up to the first damaged one.
std::vector<std::pair<std::uint64_t, JournalBlock>> parseRecords(
    std::span<const std::uint8_t> bytes, const Header& header) {
  const JournalContents& c = header.contents;
  const std::size_t size = recordSize(c.blockSize);
  std::vector<std::pair<std::uint64_t, JournalBlock>> records;
  for (std::size_t at = kHeaderSize; records.size() < header.recordCount; at += size) {
    if (bytes.size() < at + size) break;
    const auto record = bytes.subspan(at, size);
    if (readU64(record, 0) != c.nonce ||
        header.checksum(record.first(size - 8)) != readU64(record, size - 8))
      break;
    const std::uint64_t offset = std::uint64_t{readU32(record, 8)} * c.blockSize;
    if (offset >= c.originalSize) break;
    JournalBlock block;
    const auto original = record.subspan(kRecordHead, c.blockSize);
    block.original.assign(original.begin(), original.end());
    for (std::size_t i = 0; i < sectorsPerBlock(c.blockSize); ++i)
      block.newSectors.push_back(readU64(record, kRecordHead + c.blockSize + 8 * i));
    records.emplace_back(offset, std::move(block));
  }
  return records;
}

std::uint32_t pageSizeOf(std::span<const std::uint8_t> firstBlock) {
  namespace h = layout::header;
  if (firstBlock.size() <= h::kVersion) return 0;
  return firstBlock[h::kVersion] == h::kVersionJet3 ? h::kPageSizeJet3 : h::kPageSizeJet4;
}

Bytes readBlock(File& file, std::uint64_t offset, std::uint32_t blockSize) {
  Bytes bytes(blockSize, 0);
  const std::uint64_t size = file.size();
  if (offset < size)
    file.read(offset, std::span(bytes).first(std::min<std::uint64_t>(blockSize, size - offset)));
  return bytes;
}

// Why the journal may not be played back over `database` as it is now;
// empty when it may.
std::string mismatchOf(const Header& header,
                       const std::vector<std::pair<std::uint64_t, JournalBlock>>& records,
                       File& database, const std::string& databaseName) {
  const JournalContents& c = header.contents;
  if (c.databaseName != databaseName)
    return "it was written for the database '" + c.databaseName + "'";
  const std::uint64_t size = database.size();
  if (size < c.originalSize || size > std::max(c.originalSize, c.newSize))
    return "it was written when the database was " + std::to_string(c.originalSize) +
           " bytes long, and it is " + std::to_string(size) + " bytes long now";
  const JournalBlock* firstBlock = nullptr;
  for (const auto& [offset, block] : records)
    if (offset == 0) firstBlock = &block;
  const Bytes currentFirst = readBlock(database, 0, c.blockSize);
  const std::span<const std::uint8_t> first =
      firstBlock ? std::span<const std::uint8_t>(firstBlock->original) : currentFirst;
  if (pageSizeOf(first) != c.pageSize)
    return "it was written for pages of " + std::to_string(c.pageSize) + " bytes";
  if (header.checksum(first) != c.firstBlockChecksum)
    return "the database's header page is not the one it was written against";
  const std::size_t sectors = sectorsPerBlock(c.blockSize);
  for (const auto& [offset, block] : records) {
    const Bytes current = offset == 0 ? currentFirst : readBlock(database, offset, c.blockSize);
    for (std::size_t i = 0; i < sectors; ++i) {
      const std::size_t from = i * kJournalSectorSize;
      const auto sector = std::span(current).subspan(from, kJournalSectorSize);
      const bool old = std::memcmp(sector.data(), block.original.data() + from, sector.size()) == 0;
      if (!old && header.checksum(sector) != block.newSectors[i])
        return "the bytes at offset " + std::to_string(offset + from) +
               " are neither those it saved nor those of its batch";
    }
  }
  return {};
}

Bytes readWhole(FileSystem& fs, const std::string& path) {
  std::unique_ptr<File> file = fs.open(path, false);
  Bytes bytes(file->size());
  if (!bytes.empty()) file->read(0, bytes);
  return bytes;
}

// Writes the records' original bytes back and syncs; cuts off what the
// batch appended when every record came back. Throws when some did not.
void restore(const Header& header,
             const std::vector<std::pair<std::uint64_t, JournalBlock>>& records, File& database,
             const std::string& journalPath, const std::string& databasePath) {
  RunWriter writer(database);
  for (const auto& [offset, block] : records) writer.add(offset, block.original);
  writer.flush();
  const bool complete = records.size() == header.recordCount;
  // Pages the batch appended are cut off only when every record came back:
  // a row left unrestored may still point into them.
  if (complete && database.size() != header.contents.originalSize)
    database.truncate(header.contents.originalSize);
  database.sync();
  if (!complete)
    throw Error::journalDamaged(journalPath, databasePath, records.size(), header.recordCount);
}

std::string fileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

}  // namespace

std::string journalPathFor(const std::string& databasePath) { return databasePath + "-journal"; }

// FNV-1a over 8-byte words, each step folding the high half of the state
// into the low one so that no bit difference stays confined to the top:
// enough to tell intact bytes from torn or foreign ones, at a fraction of
// the cost of a byte-wise hash (every changed block is hashed twice per batch).
std::uint64_t journalChecksum(std::span<const std::uint8_t> bytes) {
  constexpr std::uint64_t kPrime = 0x100000001b3ull;
  std::uint64_t h = 0xcbf29ce484222325ull ^ bytes.size();
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    h = (h ^ readU64(bytes, at)) * kPrime;
    h ^= h >> 32;
  }
  for (; at < bytes.size(); ++at) h = (h ^ bytes[at]) * kPrime;
  h ^= h >> 29;
  h *= 0xbf58476d1ce4e5b9ull;
  return h ^ (h >> 32);
}

namespace {

std::unique_ptr<File> newJournal(FileSystem& fs, const std::string& journalPath,
                                 const std::string& databasePath) {
  // A stale name (a link planted between two batches, say) is removed, never
  // written through.
  fs.remove(journalPath);
  return fs.create(journalPath, databasePath);
}

}  // namespace

JournalWriter::JournalWriter(FileSystem& fs, const std::string& journalPath,
                             const std::string& databasePath, const JournalContents& header)
    : header_{.databaseName = header.databaseName,
              .blockSize = header.blockSize,
              .pageSize = header.pageSize,
              .originalSize = header.originalSize,
              .newSize = header.newSize,
              .firstBlockChecksum = header.firstBlockChecksum,
              .nonce = header.nonce,
              .blocks = {}},  // added one by one
      journal_(newJournal(fs, journalPath, databasePath)),
      writer_(*journal_),
      end_(kHeaderSize) {
  writer_.add(0, headerBytes(header_, 0));
}

void JournalWriter::add(std::uint64_t offset, std::span<const std::uint8_t> original,
                        std::span<const std::uint64_t> newSectors) {
  record_.clear();
  appendU64(record_, header_.nonce);
  appendU32(record_, static_cast<std::uint32_t>(offset / header_.blockSize));
  appendU32(record_, 0);
  appendBytes(record_, original);
  for (std::uint64_t sector : newSectors) appendU64(record_, sector);
  appendU64(record_, journalChecksum(record_));
  writer_.add(end_, record_);
  end_ += record_.size();
  ++records_;
}

void JournalWriter::seal() {
  writer_.flush();
  journal_->sync();
  // Sealed only once every record is on disk.
  journal_->write(0, headerBytes(header_, records_));
  journal_->sync();
}

void writeJournal(FileSystem& fs, const std::string& journalPath, const std::string& databasePath,
                  const JournalContents& contents) {
  JournalWriter writer(fs, journalPath, databasePath, contents);
  for (const auto& [offset, block] : contents.blocks)
    writer.add(offset, block.original, block.newSectors);
  writer.seal();
}

void recoverJournal(FileSystem& fs, const std::string& databasePath, const std::string& realPath,
                    std::chrono::milliseconds wait) {
  const std::string journalPath = journalPathFor(realPath);
  switch (fs.entryType(journalPath)) {
    case EntryType::None:
      return;
    case EntryType::Other:
      throw Error::journalNotAFile(journalPath, databasePath);
    case EntryType::RegularFile:
      break;
  }
  // A journal of a writer still at work is not ours to play back.
  std::unique_ptr<FileLock> lock = lockWaiting(fs, realPath, wait);
  if (!lock) throw Error::fileInUse(databasePath);

  const Bytes bytes = readWhole(fs, journalPath);
  std::optional<Header> header;
  if (!bytes.empty()) {
    header = parseHeader(bytes);
    if (!header) throw Error::journalUnreadable(journalPath, databasePath);
  }
  if (!header || header->recordCount == 0) {
    // Empty or never sealed: cut short before the database was touched.
    fs.remove(journalPath);
    fs.syncFolder(journalPath);
    return;
  }
  const auto records = parseRecords(bytes, *header);
  {
    std::unique_ptr<File> current = fs.open(realPath, false);
    const std::string mismatch = mismatchOf(*header, records, *current, fileNameOf(realPath));
    if (!mismatch.empty()) throw Error::journalMismatch(journalPath, databasePath, mismatch);
  }
  std::unique_ptr<File> database;
  try {
    database = fs.open(realPath, true);
  } catch (const Error& e) {
    if (e.kind() == ErrorKind::ReadOnly) throw Error::interruptedWrite(databasePath);
    throw;
  }
  restore(*header, records, *database, journalPath, databasePath);
  fs.remove(journalPath);
  fs.syncFolder(journalPath);
}

void playBackJournal(FileSystem& fs, const std::string& journalPath, File& database) {
  const Bytes bytes = readWhole(fs, journalPath);
  const std::optional<Header> header = parseHeader(bytes);
  if (!header) throw Error::journalUnreadable(journalPath, database.path());
  restore(*header, parseRecords(bytes, *header), database, journalPath, database.path());
}

}  // namespace engine
