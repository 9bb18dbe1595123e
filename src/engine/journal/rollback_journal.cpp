#include "engine/journal/rollback_journal.h"

#include <cstring>
#include <filesystem>
#include <optional>
#include <unordered_map>

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
// still played back with its own checksum. Version 3 adds later records.
constexpr std::uint32_t kFormatVersion = 3;

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

// Record: nonce, block number, kind, the original bytes (first records
// only), new sector checksums, checksum of all that.
constexpr std::size_t kRecordHead = 8 + 4 + 4;
constexpr std::size_t kKindAt = 12;
constexpr std::uint32_t kFirstRecord = 0;
constexpr std::uint32_t kLaterRecord = 1;  // since version 3

std::size_t sectorsPerBlock(std::uint32_t blockSize) { return blockSize / kJournalSectorSize; }

std::size_t recordSize(std::uint32_t blockSize, std::uint32_t kind) {
  return kRecordHead + (kind == kFirstRecord ? blockSize : 0) + 8 * sectorsPerBlock(blockSize) + 8;
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
  std::uint32_t version = kFormatVersion;
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
  header.version = readU32(bytes, at::kVersion);
  if (header.version == 1)
    header.checksum = checksumOfVersion1;
  else if (header.version < 1 || header.version > kFormatVersion)
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

// Reads a journal's records in order, a stretch of the file at a time, up
// to the sealed count or the first damaged record, whichever comes first.
class RecordReader {
 public:
  struct Record {
    std::uint64_t offset;  // of the block in the database
    std::uint32_t kind;
    std::span<const std::uint8_t> original;  // first records only
    std::span<const std::uint8_t> sectors;   // the new sectors' checksums
    std::uint64_t sector(std::size_t i) const { return readU64(sectors, 8 * i); }
  };

  RecordReader(File& journal, const Header& header)
      : journal_(journal), header_(header), size_(journal.size()) {}

  std::optional<Record> next() {
    const JournalContents& c = header_.contents;
    if (count_ == header_.recordCount) return std::nullopt;
    const auto head = bytesAt(at_, kRecordHead);
    if (head.empty()) return std::nullopt;
    const std::uint32_t kind = readU32(head, kKindAt);
    if (kind != kFirstRecord && (kind != kLaterRecord || header_.version < 3)) return std::nullopt;
    const std::size_t size = recordSize(c.blockSize, kind);
    const auto record = bytesAt(at_, size);
    if (record.empty() || readU64(record, 0) != c.nonce ||
        header_.checksum(record.first(size - 8)) != readU64(record, size - 8))
      return std::nullopt;
    const std::uint32_t block = readU32(record, 8);
    const std::uint64_t offset = std::uint64_t{block} * c.blockSize;
    if (offset >= c.originalSize) return std::nullopt;
    // A block has one first record, before any later one.
    if (block >= firstSeen_.size()) firstSeen_.resize(block + 1, false);
    if (firstSeen_[block] != (kind == kLaterRecord)) return std::nullopt;
    firstSeen_[block] = true;
    at_ += size;
    ++count_;
    const std::size_t originalSize = kind == kFirstRecord ? c.blockSize : 0;
    return Record{offset, kind, record.subspan(kRecordHead, originalSize),
                  record.subspan(kRecordHead + originalSize, 8 * sectorsPerBlock(c.blockSize))};
  }

  // Intact records read so far.
  std::uint32_t count() const { return count_; }

 private:
  // `size` bytes of the journal from `at`; empty past its end.
  std::span<const std::uint8_t> bytesAt(std::uint64_t at, std::size_t size) {
    if (at > size_ || size > size_ - at) return {};
    if (at < bufferAt_ || at + size > bufferAt_ + buffer_.size()) {
      buffer_.resize(
          static_cast<std::size_t>(std::min<std::uint64_t>(std::max(kStretch, size), size_ - at)));
      journal_.read(at, buffer_);
      bufferAt_ = at;
    }
    return std::span<const std::uint8_t>(buffer_).subspan(at - bufferAt_, size);
  }

  static constexpr std::size_t kStretch = 1 << 20;
  File& journal_;
  const Header& header_;
  std::uint64_t size_;
  std::uint64_t at_ = kHeaderSize;
  std::uint32_t count_ = 0;
  std::vector<bool> firstSeen_;  // by block number
  Bytes buffer_;
  std::uint64_t bufferAt_ = 0;
};

// What a first reading of a journal's records finds, for checking it
// against the database.
struct RecordScan {
  // The checksums of the later versions of blocks changed in several steps.
  std::unordered_map<std::uint64_t, std::vector<std::uint64_t>> laterSectors;
  std::optional<Bytes> firstBlock;  // the original block 0, when journaled
};

RecordScan scanRecords(File& journal, const Header& header) {
  RecordScan scan;
  RecordReader reader(journal, header);
  while (const auto record = reader.next()) {
    if (record->kind == kLaterRecord) {
      auto& later = scan.laterSectors[record->offset];
      for (std::size_t i = 0; i < sectorsPerBlock(header.contents.blockSize); ++i)
        later.push_back(record->sector(i));
    } else if (record->offset == 0) {
      scan.firstBlock.emplace(record->original.begin(), record->original.end());
    }
  }
  return scan;
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
std::string mismatchOf(const Header& header, const RecordScan& scan, File& journal, File& database,
                       const std::string& databaseName) {
  const JournalContents& c = header.contents;
  if (c.databaseName != databaseName)
    return "it was written for the database '" + c.databaseName + "'";
  const std::uint64_t size = database.size();
  if (size < c.originalSize || size > std::max(c.originalSize, c.newSize))
    return "it was written when the database was " + std::to_string(c.originalSize) +
           " bytes long, and it is " + std::to_string(size) + " bytes long now";
  const Bytes first = scan.firstBlock ? *scan.firstBlock : readBlock(database, 0, c.blockSize);
  if (pageSizeOf(first) != c.pageSize)
    return "it was written for pages of " + std::to_string(c.pageSize) + " bytes";
  if (header.checksum(first) != c.firstBlockChecksum)
    return "the database's header page is not the one it was written against";
  const std::size_t sectors = sectorsPerBlock(c.blockSize);
  RecordReader reader(journal, header);
  while (const auto record = reader.next()) {
    if (record->kind != kFirstRecord) continue;
    const Bytes current = readBlock(database, record->offset, c.blockSize);
    const auto later = scan.laterSectors.find(record->offset);
    for (std::size_t i = 0; i < sectors; ++i) {
      const std::size_t from = i * kJournalSectorSize;
      const auto sector = std::span(current).subspan(from, kJournalSectorSize);
      if (std::memcmp(sector.data(), record->original.data() + from, sector.size()) == 0) continue;
      const std::uint64_t checksum = header.checksum(sector);
      bool known = checksum == record->sector(i);
      if (later != scan.laterSectors.end())
        for (std::size_t v = i; !known && v < later->second.size(); v += sectors)
          known = later->second[v] == checksum;
      if (!known)
        return "the bytes at offset " + std::to_string(record->offset + from) +
               " are neither those it saved nor those of its batch";
    }
  }
  return {};
}

std::optional<Header> readHeader(File& journal) {
  Bytes bytes(static_cast<std::size_t>(std::min<std::uint64_t>(kHeaderSize, journal.size())));
  if (!bytes.empty()) journal.read(0, bytes);
  return parseHeader(bytes);
}

// Writes the intact records' original bytes back and syncs; cuts off what
// the batch appended when every record came back. Throws when some did not.
void restore(const Header& header, File& journal, File& database, const std::string& journalPath,
             const std::string& databasePath) {
  RunWriter writer(database);
  RecordReader reader(journal, header);
  while (const auto record = reader.next())
    if (record->kind == kFirstRecord) writer.add(record->offset, record->original);
  writer.flush();
  const bool complete = reader.count() == header.recordCount;
  // Pages the batch appended are cut off only when every record came back:
  // a row left unrestored may still point into them.
  if (complete && database.size() != header.contents.originalSize)
    database.truncate(header.contents.originalSize);
  database.sync();
  if (!complete)
    throw Error::journalDamaged(journalPath, databasePath, reader.count(), header.recordCount);
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
  addRecord(offset, kFirstRecord, original, newSectors);
}

void JournalWriter::addLater(std::uint64_t offset, std::span<const std::uint64_t> newSectors) {
  addRecord(offset, kLaterRecord, {}, newSectors);
}

void JournalWriter::addRecord(std::uint64_t offset, std::uint32_t kind,
                              std::span<const std::uint8_t> original,
                              std::span<const std::uint64_t> newSectors) {
  record_.clear();
  appendU64(record_, header_.nonce);
  appendU32(record_, static_cast<std::uint32_t>(offset / header_.blockSize));
  appendU32(record_, kind);
  appendBytes(record_, original);
  for (std::uint64_t sector : newSectors) appendU64(record_, sector);
  appendU64(record_, journalChecksum(record_));
  writer_.add(end_, record_);
  end_ += record_.size();
  ++records_;
}

void JournalWriter::seal(std::uint64_t newSize) {
  writer_.flush();
  journal_->sync();
  // Sealed only once every record is on disk.
  header_.newSize = std::max(header_.newSize, newSize);
  journal_->write(0, headerBytes(header_, records_));
  journal_->sync();
}

void JournalWriter::unseal() {
  journal_->write(0, headerBytes(header_, 0));
  journal_->sync();
}

void writeJournal(FileSystem& fs, const std::string& journalPath, const std::string& databasePath,
                  const JournalContents& contents) {
  JournalWriter writer(fs, journalPath, databasePath, contents);
  const std::size_t sectors = sectorsPerBlock(contents.blockSize);
  for (const auto& [offset, block] : contents.blocks)
    writer.add(offset, block.original, std::span(block.newSectors).first(sectors));
  // Later versions go after every first record, as a later step writes them.
  for (const auto& [offset, block] : contents.blocks)
    for (std::size_t at = sectors; at + sectors <= block.newSectors.size(); at += sectors)
      writer.addLater(offset, std::span(block.newSectors).subspan(at, sectors));
  writer.seal(contents.newSize);
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

  std::unique_ptr<File> journal = fs.open(journalPath, false);
  std::optional<Header> header;
  if (journal->size() > 0) {
    header = readHeader(*journal);
    if (!header) throw Error::journalUnreadable(journalPath, databasePath);
  }
  if (!header || header->recordCount == 0) {
    // Empty or never sealed: cut short before the database was touched, or
    // its seal taken back at a commit.
    journal.reset();
    try {
      fs.remove(journalPath);
      fs.syncFolder(journalPath);
    } catch (const Error& e) {
      reportError(e);
    }
    return;
  }
  const RecordScan scan = scanRecords(*journal, *header);
  {
    std::unique_ptr<File> current = fs.open(realPath, false);
    const std::string mismatch =
        mismatchOf(*header, scan, *journal, *current, fileNameOf(realPath));
    if (!mismatch.empty()) throw Error::journalMismatch(journalPath, databasePath, mismatch);
  }
  std::unique_ptr<File> database;
  try {
    database = fs.open(realPath, true);
  } catch (const Error& e) {
    if (e.kind() == ErrorKind::ReadOnly) throw Error::interruptedWrite(databasePath);
    throw;
  }
  restore(*header, *journal, *database, journalPath, databasePath);
  journal.reset();
  fs.remove(journalPath);
  fs.syncFolder(journalPath);
}

void playBackJournal(FileSystem& fs, const std::string& journalPath, File& database) {
  std::unique_ptr<File> journal = fs.open(journalPath, false);
  const std::optional<Header> header = readHeader(*journal);
  if (!header) throw Error::journalUnreadable(journalPath, database.path());
  restore(*header, *journal, database, journalPath, database.path());
}

}  // namespace engine
