#include "engine/journal/journaled_file.h"

#include <algorithm>
#include <cstring>

#include "engine/base/error.h"
#include "engine/journal/rollback_journal.h"

namespace engine {

JournaledFile::JournaledFile(FileSystem& fs, std::unique_ptr<File> base)
    : fs_(fs), base_(std::move(base)), size_(base_->size()) {}

void JournaledFile::read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > size_ || out.size() > size_ - offset)
    throw Error::damaged(path(), static_cast<std::uint32_t>(offset / 4096),
                         "the file ends before the data it should hold");
  std::size_t done = 0;
  while (done < out.size()) {
    const std::uint64_t at = offset + done;
    const std::uint64_t blockStart = at - at % kBlockSize;
    const std::size_t inBlock = static_cast<std::size_t>(at - blockStart);
    const std::size_t take = std::min<std::size_t>(kBlockSize - inBlock, out.size() - done);
    if (auto it = overlay_.find(blockStart); it != overlay_.end())
      std::memcpy(out.data() + done, it->second.data() + inBlock, take);
    else
      base_->read(at, out.subspan(done, take));
    done += take;
  }
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
  std::size_t done = 0;
  while (done < data.size()) {
    const std::uint64_t at = offset + done;
    const std::uint64_t blockStart = at - at % kBlockSize;
    const std::size_t inBlock = static_cast<std::size_t>(at - blockStart);
    const std::size_t take = std::min<std::size_t>(kBlockSize - inBlock, data.size() - done);
    std::memcpy(block(blockStart).data() + inBlock, data.data() + done, take);
    done += take;
  }
  // The file only grows in whole blocks (pages are whole blocks).
  const std::uint64_t end = offset + data.size();
  const std::uint64_t blockEnd = (end + kBlockSize - 1) / kBlockSize * kBlockSize;
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

void JournaledFile::commit() {
  if (broken_) throw Error::interruptedWrite(path());
  if (overlay_.empty()) return;
  const std::string journalPath = journalPathFor(path());
  JournalContents journal;
  std::optional<std::map<std::uint64_t, std::vector<std::uint8_t>>> originals;
  try {
    journal.originalSize = base_->size();
    for (const auto& [offset, bytes] : overlay_) {
      if (offset >= journal.originalSize) continue;
      std::vector<std::uint8_t> original(kBlockSize, 0);
      base_->read(offset, std::span(original).first(
                              std::min<std::uint64_t>(kBlockSize, journal.originalSize - offset)));
      journal.blocks.emplace(offset, std::move(original));
    }
    writeJournal(fs_, journalPath, journal, kBlockSize);
    // From here on the database may hold part of the batch.
    originals = journal.blocks;
    for (const auto& [offset, bytes] : overlay_) base_->write(offset, bytes);
    base_->sync();
    fs_.remove(journalPath);
  } catch (...) {
    rollBack(originals, journal.originalSize);
    overlay_.clear();
    size_ = base_->size();
    throw;
  }
  overlay_.clear();
  size_ = base_->size();
}

void JournaledFile::rollBack(
    const std::optional<std::map<std::uint64_t, std::vector<std::uint8_t>>>& originals,
    std::uint64_t originalSize) {
  const std::string journalPath = journalPathFor(path());
  try {
    if (originals) {
      for (const auto& [offset, bytes] : *originals) base_->write(offset, bytes);
      if (base_->size() != originalSize) base_->truncate(originalSize);
      base_->sync();
    }
    if (fs_.exists(journalPath)) fs_.remove(journalPath);
  } catch (const Error&) {
    // The journal on disk still undoes the batch at the next open; until
    // then this file must not be written.
    broken_ = originals.has_value();
  }
}

}  // namespace engine
