#include "engine/journal/journaled_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "engine/base/error.h"
#include "engine/format/layout_header.h"
#include "engine/journal/rollback_journal.h"

namespace engine {

JournaledFile::JournaledFile(FileSystem& fs, std::unique_ptr<File> base, std::string realPath,
                             std::uint64_t sizeLimit)
    : fs_(fs),
      base_(std::move(base)),
      realPath_(std::move(realPath)),
      sizeLimit_(sizeLimit),
      size_(base_->size()) {}

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

std::vector<std::uint8_t>& JournaledFile::block(std::uint64_t blockStart) {
  auto it = overlay_.find(blockStart);
  if (inUpdate_ && !saved_.count(blockStart)) {
    if (it == overlay_.end())
      saved_.emplace(blockStart, std::nullopt);
    else
      saved_.emplace(blockStart, it->second);
  }
  if (it != overlay_.end()) return it->second;
  std::vector<std::uint8_t> bytes(kBlockSize, 0);
  const std::uint64_t baseSize = base_->size();
  if (blockStart < baseSize)
    base_->read(blockStart,
                std::span(bytes).first(std::min<std::uint64_t>(kBlockSize, baseSize - blockStart)));
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
    std::memcpy(block(blockStart).data() + inBlock, data.data() + done, take);
    done += take;
  }
  size_ = std::max(size_, blockEnd);
}

void JournaledFile::beginUpdate() {
  inUpdate_ = true;
  saved_.clear();
  savedSize_ = size_;
}

void JournaledFile::undoUpdate() {
  for (auto& [offset, before] : saved_) {
    if (before)
      overlay_[offset] = std::move(*before);
    else
      overlay_.erase(offset);
  }
  size_ = savedSize_;
  endUpdate();
}

void JournaledFile::endUpdate() {
  inUpdate_ = false;
  saved_.clear();
}

JournalContents JournaledFile::journalOfBatch() {
  JournalContents journal;
  journal.databaseName = std::filesystem::path(realPath_).filename().string();
  journal.blockSize = kBlockSize;
  journal.originalSize = base_->size();
  journal.newSize = size_;
  std::random_device random;
  journal.nonce = (std::uint64_t{random()} << 32) ^ random();
  auto original = [&](std::uint64_t offset) {
    std::vector<std::uint8_t> bytes(kBlockSize, 0);
    if (offset < journal.originalSize)
      base_->read(offset, std::span(bytes).first(
                              std::min<std::uint64_t>(kBlockSize, journal.originalSize - offset)));
    return bytes;
  };
  const std::vector<std::uint8_t> first = original(0);
  journal.firstBlockChecksum = journalChecksum(first);
  journal.pageSize = first[layout::header::kVersion] == layout::header::kVersionJet3
                         ? layout::header::kPageSizeJet3
                         : layout::header::kPageSizeJet4;
  for (const auto& [offset, bytes] : overlay_) {
    if (offset >= journal.originalSize) continue;  // appended: undone by cutting the file
    JournalBlock block{offset == 0 ? first : original(offset), {}};
    for (std::size_t at = 0; at < kBlockSize; at += kJournalSectorSize)
      block.newSectors.push_back(journalChecksum(std::span(bytes).subspan(at, kJournalSectorSize)));
    journal.blocks.emplace(offset, std::move(block));
  }
  return journal;
}

void JournaledFile::dropBatch() {
  overlay_.clear();
  size_ = base_->size();
}

void JournaledFile::commit() {
  if (broken_) throw Error::interruptedWrite(path());
  if (overlay_.empty()) return;
  const std::string journalPath = journalPathFor(realPath_);
  JournalContents journal;
  try {
    journal = journalOfBatch();
    writeJournal(fs_, journalPath, realPath_, journal);
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
    for (const auto& [offset, bytes] : overlay_) base_->write(offset, bytes);
    base_->sync();
    fs_.remove(journalPath);
  } catch (...) {
    rollBack(journal, journalPath);
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

void JournaledFile::rollBack(const JournalContents& journal, const std::string& journalPath) {
  try {
    for (const auto& [offset, block] : journal.blocks) base_->write(offset, block.original);
    if (base_->size() != journal.originalSize) base_->truncate(journal.originalSize);
    base_->sync();
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
