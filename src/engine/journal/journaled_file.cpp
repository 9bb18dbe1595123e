#include "engine/journal/journaled_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "engine/error.h"
#include "engine/format/layout_header.h"
#include "engine/journal/rollback_journal.h"
#include "engine/journal/run_writer.h"

namespace engine {
namespace {

// Changed blocks next to each other are read in one go, this many at most.
constexpr std::size_t kRunBlocks = RunWriter::kRunBytes / JournaledFile::kBlockSize;

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
  if (inUpdate_ && !saved_.count(blockStart)) {
    if (it == overlay_.end())
      saved_.emplace(blockStart, std::nullopt);
    else
      saved_.emplace(blockStart, it->second);
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
  journal.originalSize = baseSize_;
  journal.newSize = size_;
  std::random_device random;
  journal.nonce = (std::uint64_t{random()} << 32) ^ random();
  // The original bytes of the changed blocks, those next to each other read
  // in one go (appended blocks are undone by cutting the file).
  std::vector<std::uint8_t> run;
  auto next = overlay_.begin();
  while (next != overlay_.end() && next->first < baseSize_) {
    const std::uint64_t start = next->first;
    std::size_t blocks = 0;
    while (next != overlay_.end() && next->first == start + blocks * kBlockSize &&
           next->first < baseSize_ && blocks < kRunBlocks) {
      ++blocks;
      ++next;
    }
    run.assign(blocks * kBlockSize, 0);
    base_->read(start,
                std::span(run).first(std::min<std::uint64_t>(run.size(), baseSize_ - start)));
    for (std::size_t i = 0; i < blocks; ++i) {
      const std::uint64_t offset = start + i * kBlockSize;
      const auto original = std::span(run).subspan(i * kBlockSize, kBlockSize);
      const std::vector<std::uint8_t>& bytes = overlay_.at(offset);
      JournalBlock block{{original.begin(), original.end()}, {}};
      for (std::size_t at = 0; at < kBlockSize; at += kJournalSectorSize)
        block.newSectors.push_back(
            journalChecksum(std::span(bytes).subspan(at, kJournalSectorSize)));
      journal.blocks.emplace(offset, std::move(block));
    }
  }
  std::vector<std::uint8_t> first;
  if (auto it = journal.blocks.find(0); it != journal.blocks.end()) {
    first = it->second.original;
  } else {
    first.assign(kBlockSize, 0);
    base_->read(0, std::span(first).first(std::min<std::uint64_t>(kBlockSize, baseSize_)));
  }
  journal.firstBlockChecksum = journalChecksum(first);
  journal.pageSize = first[layout::header::kVersion] == layout::header::kVersionJet3
                         ? layout::header::kPageSizeJet3
                         : layout::header::kPageSizeJet4;
  return journal;
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
    RunWriter writer(*base_);
    for (const auto& [offset, bytes] : overlay_) writer.add(offset, bytes);
    writer.flush();
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
    RunWriter writer(*base_);
    for (const auto& [offset, block] : journal.blocks) writer.add(offset, block.original);
    writer.flush();
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
