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

// Changed blocks next to each other are read in one go, this many at most.
constexpr std::size_t kRunBlocks = RunWriter::kRunBytes / JournaledFile::kBlockSize;
// Unchanged blocks read along with the changed ones around them, and those
// written along (with the bytes they hold) so that a run is one call.
constexpr std::size_t kGapBlocks = 8;
constexpr std::size_t kFilledBlocks = 2;

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
  std::vector<std::uint8_t> bytes(kBlockSize, 0);
  // A block written whole needs none of its old bytes (the journal reads
  // them at commit, with their neighbours).
  if (!whole && blockStart < baseSize_)
    base_->read(blockStart, std::span(bytes).first(
                                std::min<std::uint64_t>(kBlockSize, baseSize_ - blockStart)));
  return overlay_.emplace(blockStart, std::move(bytes)).first->second;
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
    } else {
      overlay_.erase(saved.offset);
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

void JournaledFile::journalBatch(const std::string& journalPath) {
  JournalContents header;
  header.databaseName = std::filesystem::path(realPath_).filename().string();
  header.blockSize = kBlockSize;
  header.originalSize = baseSize_;
  header.newSize = size_;
  std::random_device random;
  header.nonce = (std::uint64_t{random()} << 32) ^ random();
  std::vector<std::uint8_t> first(kBlockSize, 0);
  base_->read(0, std::span(first).first(std::min<std::uint64_t>(kBlockSize, baseSize_)));
  header.firstBlockChecksum = journalChecksum(first);
  header.pageSize = first[layout::header::kVersion] == layout::header::kVersionJet3
                        ? layout::header::kPageSizeJet3
                        : layout::header::kPageSizeJet4;
  JournalWriter journal(fs_, journalPath, realPath_, header);

  // The original bytes of the changed blocks, read a stretch at a time: the
  // changed blocks near each other and the few unchanged ones between them
  // in one call, since a call costs more than the bytes (appended blocks are
  // undone by cutting the file). Each goes to the journal as it is read, so
  // that the originals of a batch are never all held at once. An unchanged
  // block in a short gap joins the batch as it stands, journal and all, so
  // the batch is written in one run there too.
  std::vector<std::uint64_t> sectors;
  const auto journalBlock = [&](std::uint64_t offset, std::span<const std::uint8_t> original,
                                std::span<const std::uint8_t> bytes) {
    sectors.clear();
    for (std::size_t at = 0; at < kBlockSize; at += kJournalSectorSize)
      sectors.push_back(journalChecksum(bytes.subspan(at, kJournalSectorSize)));
    journal.add(offset, original, sectors);
  };
  std::vector<std::uint8_t> run;
  auto next = overlay_.begin();
  while (next != overlay_.end() && next->first < baseSize_) {
    const std::uint64_t start = next->first;
    std::uint64_t end = start + kBlockSize;
    auto last = std::next(next);
    while (last != overlay_.end() && last->first < baseSize_ &&
           last->first <= end + kGapBlocks * kBlockSize &&
           last->first + kBlockSize - start <= kRunBlocks * kBlockSize) {
      end = last->first + kBlockSize;
      ++last;
    }
    run.assign(end - start, 0);
    base_->read(start,
                std::span(run).first(std::min<std::uint64_t>(run.size(), baseSize_ - start)));
    const auto originalAt = [&](std::uint64_t offset) {
      return std::span<const std::uint8_t>(run).subspan(offset - start, kBlockSize);
    };
    std::optional<std::uint64_t> previous;
    for (; next != last; ++next) {
      const std::uint64_t offset = next->first;
      if (previous && offset - *previous <= (kFilledBlocks + 1) * kBlockSize) {
        for (std::uint64_t gap = *previous + kBlockSize; gap < offset; gap += kBlockSize) {
          const auto original = originalAt(gap);
          overlay_.emplace(gap, std::vector<std::uint8_t>(original.begin(), original.end()));
          journalBlock(gap, original, original);
        }
      }
      journalBlock(offset, originalAt(offset), next->second);
      previous = offset;
    }
  }
  journal.seal();
}

void JournaledFile::dropBatch() {
  overlay_.clear();
  baseSize_ = base_->size();
  size_ = baseSize_;
}

void JournaledFile::commit() {
  if (broken_) throw Error::interruptedWrite(path());
  if (overlay_.empty()) return;
  const std::string journalPath = journalPathFor(realPath_);
  try {
    journalBatch(journalPath);
  } catch (...) {
    // The database is untouched; an unsealed journal left behind is dropped
    // by the next open.
    try {
      fs_.remove(journalPath);
    } catch (const Error& e) {
      reportError(e);
    }
    dropBatch();
    throw;
  }
  try {
    // From here on the database may hold part of the batch, and the journal
    // undoes it.
    RunWriter writer(*base_);
    for (const auto& [offset, bytes] : overlay_) writer.add(offset, bytes);
    writer.flush();
    base_->sync();
    fs_.remove(journalPath);
  } catch (...) {
    rollBack(journalPath);
    dropBatch();
    throw;
  }
  // Committed: the journal is gone, so nothing may be undone any more.
  dropBatch();
  try {
    fs_.syncFolder(journalPath);
  } catch (const Error& e) {
    reportError(Error::savedWithoutFolderFlush(path(), e));
  }
}

void JournaledFile::rollBack(const std::string& journalPath) {
  try {
    // The originals are read back from the journal, synced before the first
    // byte of the batch was written.
    playBackJournal(fs_, journalPath, *base_);
    fs_.remove(journalPath);
    fs_.syncFolder(journalPath);
  } catch (const Error&) {
    // The journal on disk still undoes the batch at the next open; until
    // then this file must not be written.
    broken_ = true;
    reportError(Error::interruptedWrite(path()));
  }
}

}  // namespace engine
