#include "engine/journal/journaled_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>

#include "engine/error.h"
#include "engine/format/layout_header.h"
#include "engine/journal/rollback_journal.h"
#include "engine/journal/run_writer.h"

namespace engine {
namespace {

// Changed blocks near each other are read or written in one go, this many
// at most.
constexpr std::size_t kRunBlocks = RunWriter::kRunBytes / JournaledFile::kBlockSize;
// Unchanged blocks read along with the changed ones around them, and those
// written along (with the bytes they hold) so that a stretch is one call.
constexpr std::size_t kGapBlocks = 8;
constexpr std::size_t kFilledBlocks = 4;

}  // namespace

JournaledFile::JournaledFile(FileSystem& fs, std::unique_ptr<File> base, std::string realPath,
                             std::uint64_t sizeLimit)
    : fs_(fs),
      base_(std::move(base)),
      realPath_(std::move(realPath)),
      sizeLimit_(sizeLimit),
      baseSize_(base_->size()),
      size_(baseSize_) {}

void JournaledFile::read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > size_ || out.size() > size_ - offset)
    throw Error::damaged(path(), static_cast<std::uint32_t>(offset / 4096),
                         "the file ends before the data it should hold");
  // Unchanged blocks next to each other come from the file in one read.
  std::size_t done = 0;
  std::size_t unchangedFrom = 0, unchanged = 0;
  auto readUnchanged = [&] {
    if (unchanged > 0) base_->read(offset + unchangedFrom, out.subspan(unchangedFrom, unchanged));
    unchanged = 0;
  };
  while (done < out.size()) {
    const std::uint64_t at = offset + done;
    const std::uint64_t blockStart = at - at % kBlockSize;
    const std::size_t inBlock = static_cast<std::size_t>(at - blockStart);
    const std::size_t take = std::min<std::size_t>(kBlockSize - inBlock, out.size() - done);
    if (auto it = overlay_.find(blockStart); it != overlay_.end()) {
      readUnchanged();
      std::memcpy(out.data() + done, it->second.data() + inBlock, take);
    } else {
      if (unchanged == 0) unchangedFrom = done;
      unchanged += take;
    }
    done += take;
  }
  readUnchanged();
}

std::vector<std::uint8_t>& JournaledFile::block(std::uint64_t blockStart, bool whole) {
  auto it = overlay_.find(blockStart);
  if (inUpdate_ && savedOffsets_.insert(blockStart).second) {
    if (it == overlay_.end()) {
      saved_.push_back({blockStart, std::nullopt});
    } else {
      saved_.push_back({blockStart, savedBytes_.size()});
      savedBytes_.insert(savedBytes_.end(), it->second.begin(), it->second.end());
    }
  }
  if (it != overlay_.end()) return it->second;
  std::vector<std::uint8_t> bytes = newBlock();
  // A block written whole needs none of its old bytes (the journal reads
  // them when the batch spills, with their neighbours).
  if (!whole) {
    const std::size_t old =
        blockStart < baseSize_ ? std::min<std::uint64_t>(kBlockSize, baseSize_ - blockStart) : 0;
    if (old > 0) base_->read(blockStart, std::span(bytes).first(old));
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(old), bytes.end(), 0);
  }
  return overlay_.emplace(blockStart, std::move(bytes)).first->second;
}

std::vector<std::uint8_t> JournaledFile::newBlock() {
  if (spareBlocks_.empty()) return std::vector<std::uint8_t>(kBlockSize);
  std::vector<std::uint8_t> bytes = std::move(spareBlocks_.back());
  spareBlocks_.pop_back();
  return bytes;
}

void JournaledFile::clearOverlay() {
  for (auto& entry : overlay_) spareBlocks_.push_back(std::move(entry.second));
  overlay_.clear();
}

void JournaledFile::write(std::uint64_t offset, std::span<const std::uint8_t> data) {
  if (broken_) throw Error::interruptedWrite(path());
  // The file only grows in whole blocks (pages are whole blocks).
  const std::uint64_t end = offset + data.size();
  const std::uint64_t blockEnd = (end + kBlockSize - 1) / kBlockSize * kBlockSize;
  if (end < offset || blockEnd > sizeLimit_) throw Error::databaseFull(path(), sizeLimit_);
  std::size_t done = 0;
  while (done < data.size()) {
    const std::uint64_t at = offset + done;
    const std::uint64_t blockStart = at - at % kBlockSize;
    const std::size_t inBlock = static_cast<std::size_t>(at - blockStart);
    const std::size_t take = std::min<std::size_t>(kBlockSize - inBlock, data.size() - done);
    std::memcpy(block(blockStart, take == kBlockSize).data() + inBlock, data.data() + done, take);
    done += take;
  }
  size_ = std::max(size_, blockEnd);
}

void JournaledFile::beginUpdate() {
  inUpdate_ = true;
  saved_.clear();
  savedOffsets_.clear();
  savedBytes_.clear();
  savedSize_ = size_;
}

void JournaledFile::undoUpdate() {
  for (const SavedBlock& saved : saved_) {
    if (saved.bytesAt) {
      const auto from = savedBytes_.begin() + static_cast<std::ptrdiff_t>(*saved.bytesAt);
      std::copy(from, from + kBlockSize, overlay_[saved.offset].begin());
    } else if (auto it = overlay_.find(saved.offset); it != overlay_.end()) {
      spareBlocks_.push_back(std::move(it->second));
      overlay_.erase(it);
    }
  }
  size_ = savedSize_;
  endUpdate();
}

void JournaledFile::endUpdate() {
  inUpdate_ = false;
  saved_.clear();
  savedOffsets_.clear();
  savedBytes_.clear();
}

void JournaledFile::beginJournal() {
  JournalContents header;
  header.databaseName = std::filesystem::path(realPath_).filename().string();
  header.blockSize = kBlockSize;
  header.originalSize = baseSize_;
  header.newSize = baseSize_;
  std::random_device random;
  header.nonce = (std::uint64_t{random()} << 32) ^ random();
  std::vector<std::uint8_t> first(kBlockSize, 0);
  base_->read(0, std::span(first).first(std::min<std::uint64_t>(kBlockSize, baseSize_)));
  header.firstBlockChecksum = journalChecksum(first);
  header.pageSize = first[layout::header::kVersion] == layout::header::kVersionJet3
                        ? layout::header::kPageSizeJet3
                        : layout::header::kPageSizeJet4;
  originalSize_ = baseSize_;
  journalBegun_ = true;  // from here on a failure may leave a journal file behind
  journal_ = std::make_unique<JournalWriter>(fs_, journalPathFor(realPath_), realPath_, header);
}

bool JournaledFile::journaled(std::uint64_t offset) const {
  const std::uint64_t block = offset / kBlockSize;
  return block < journaled_.size() && journaled_[block];
}

void JournaledFile::journalBatch() {
  if (!journal_) beginJournal();
  std::vector<std::uint64_t> sectors;
  const auto sectorsOf = [&](std::span<const std::uint8_t> bytes) {
    sectors.clear();
    for (std::size_t at = 0; at < kBlockSize; at += kJournalSectorSize)
      sectors.push_back(journalChecksum(bytes.subspan(at, kJournalSectorSize)));
    return std::span<const std::uint64_t>(sectors);
  };
  // A block's first record holds its original bytes; a block journaled by
  // an earlier spill gets the checksums of its newer bytes only.
  const auto journalBlock = [&](std::uint64_t offset, std::span<const std::uint8_t> original,
                                std::span<const std::uint8_t> bytes) {
    if (journaled(offset)) {
      journal_->addLater(offset, sectorsOf(bytes));
      return;
    }
    journal_->add(offset, original, sectorsOf(bytes));
    ++journaledBlocks_;
    const std::uint64_t block = offset / kBlockSize;
    if (block >= journaled_.size()) journaled_.resize(block + 1, false);
    journaled_[block] = true;
  };

  // The original bytes of the changed blocks, read a stretch at a time: the
  // changed blocks near each other and the few unchanged ones between them
  // in one call, since a call costs more than the bytes (blocks appended by
  // the transaction are undone by cutting the file). Each goes to the
  // journal as it is read, so that the originals are never all held at once.
  std::vector<std::uint8_t> run;
  auto next = overlay_.begin();
  while (next != overlay_.end() && next->first < originalSize_) {
    if (journaled(next->first)) {
      journalBlock(next->first, {}, next->second);
      ++next;
      continue;
    }
    const std::uint64_t start = next->first;
    std::uint64_t end = start + kBlockSize;
    auto last = std::next(next);
    while (last != overlay_.end() && last->first < originalSize_ &&
           last->first <= end + kGapBlocks * kBlockSize &&
           last->first + kBlockSize - start <= kRunBlocks * kBlockSize) {
      end = last->first + kBlockSize;
      ++last;
    }
    run.assign(end - start, 0);
    base_->read(start,
                std::span(run).first(std::min<std::uint64_t>(run.size(), baseSize_ - start)));
    for (; next != last; ++next) {
      const std::uint64_t offset = next->first;
      journalBlock(offset, std::span<const std::uint8_t>(run).subspan(offset - start, kBlockSize),
                   next->second);
    }
  }
  journal_->seal(size_);
}

void JournaledFile::writeOverlay() {
  // Changed blocks a few unchanged ones apart go out in one write, the
  // unchanged ones rewritten as the file holds them: a call costs more than
  // the bytes, and bytes rewritten as they are need no journal (a torn write
  // leaves them as they were).
  std::vector<std::uint8_t> stretch;
  auto next = overlay_.begin();
  while (next != overlay_.end()) {
    const std::uint64_t start = next->first;
    std::uint64_t end = start + kBlockSize;
    bool gaps = false;
    auto last = std::next(next);
    while (last != overlay_.end() && last->first + kBlockSize - start <= kRunBlocks * kBlockSize &&
           (last->first == end ||
            (last->first <= end + kFilledBlocks * kBlockSize && last->first <= baseSize_))) {
      gaps = gaps || last->first != end;
      end = last->first + kBlockSize;
      ++last;
    }
    stretch.resize(end - start);
    if (gaps)
      base_->read(start,
                  std::span(stretch).first(end <= baseSize_ ? stretch.size() : baseSize_ - start));
    for (; next != last; ++next)
      std::memcpy(stretch.data() + (next->first - start), next->second.data(), kBlockSize);
    base_->write(start, stretch);
  }
}

void JournaledFile::spill() {
  if (broken_) throw Error::interruptedWrite(path());
  if (overlay_.empty()) return;
  try {
    journalBatch();
    // From here on the file may hold part of the transaction, and the
    // journal undoes it.
    fileWritten_ = true;
    writeOverlay();
  } catch (...) {
    abandon();
    throw;
  }
  clearOverlay();
  baseSize_ = size_;
}

void JournaledFile::endTransaction() {
  clearOverlay();
  journal_.reset();
  journaled_.clear();
  journaledBlocks_ = 0;
  journalBegun_ = false;
  fileWritten_ = false;
  baseSize_ = base_->size();
  size_ = baseSize_;
}

void JournaledFile::abandon() {
  const std::string journalPath = journalPathFor(realPath_);
  journal_.reset();  // closed before it is played back or removed
  if (fileWritten_) {
    rollBack(journalPath);
  } else if (journalBegun_) {
    // The file is untouched; an unsealed journal left behind is dropped by
    // the next open.
    try {
      fs_.remove(journalPath);
    } catch (const Error& e) {
      reportError(e);
    }
  }
  endTransaction();
}

void JournaledFile::commit() {
  if (broken_) throw Error::interruptedWrite(path());
  if (!hasChanges()) return;
  spill();
  const std::string journalPath = journalPathFor(realPath_);
  try {
    base_->sync();
  } catch (...) {
    abandon();
    throw;
  }
  // The commit point: the journal's removal or, where the folder no longer
  // allows that, its seal taken back.
  try {
    fs_.remove(journalPath);
  } catch (const Error& removal) {
    try {
      journal_->unseal();
    } catch (...) {
      abandon();
      throw;
    }
    reportError(removal);
  }
  // Committed: nothing may be undone any more.
  fileWritten_ = false;
  endTransaction();
  try {
    fs_.syncFolder(journalPath);
  } catch (const Error& e) {
    reportError(Error::savedWithoutFolderFlush(path(), e));
  }
}

void JournaledFile::rollBack(const std::string& journalPath) {
  try {
    // The originals are read back from the journal, synced before the first
    // byte of the transaction was written.
    playBackJournal(fs_, journalPath, *base_);
    fs_.remove(journalPath);
    fs_.syncFolder(journalPath);
  } catch (const Error&) {
    // The journal on disk still undoes the transaction at the next open;
    // until then this file must not be written.
    broken_ = true;
    reportError(Error::interruptedWrite(path()));
  }
}

}  // namespace engine
