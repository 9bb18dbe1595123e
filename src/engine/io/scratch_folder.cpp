#include "engine/scratch_folder.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "engine/error.h"

namespace engine {
namespace {

constexpr std::uint64_t kBlockSize = 4096;

// One file of the scratch folder, shared by every handle opened on it.
struct ScratchContents {
  std::unique_ptr<File> real;  // null for a file made in the scratch folder
  // Bytes below this still come from `real` where no block was written.
  std::uint64_t realLimit = 0;
  std::uint64_t size = 0;
  std::map<std::uint64_t, std::vector<std::uint8_t>> blocks;  // block start -> bytes

  // Fills `out` with the unwritten bytes from `offset`: the real file's, or zeros.
  void readUnwritten(std::uint64_t offset, std::span<std::uint8_t> out) const {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    if (!real || offset >= realLimit) return;
    const auto fromReal =
        static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), realLimit - offset));
    real->read(offset, out.first(fromReal));
  }

  std::vector<std::uint8_t>& block(std::uint64_t start) {
    auto found = blocks.find(start);
    if (found != blocks.end()) return found->second;
    std::vector<std::uint8_t> bytes(kBlockSize);
    readUnwritten(start, bytes);
    return blocks.emplace(start, std::move(bytes)).first->second;
  }
};

// Calls `visit(blockStart, offsetInBlock, done, take)` for each block that
// the `size` bytes from `offset` touch; `done` bytes precede this piece.
template <class Visit>
void forEachBlock(std::uint64_t offset, std::size_t size, Visit&& visit) {
  std::size_t done = 0;
  while (done < size) {
    const std::uint64_t at = offset + done;
    const std::uint64_t start = at - at % kBlockSize;
    const auto inBlock = static_cast<std::size_t>(at - start);
    const std::size_t take =
        std::min<std::size_t>(static_cast<std::size_t>(kBlockSize) - inBlock, size - done);
    visit(start, inBlock, done, take);
    done += take;
  }
}

class ScratchFile final : public File {
 public:
  ScratchFile(std::string path, std::shared_ptr<ScratchContents> contents)
      : path_(std::move(path)), contents_(std::move(contents)) {}

  const std::string& path() const override { return path_; }
  std::uint64_t size() const override { return contents_->size; }

  void read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset > contents_->size || out.size() > contents_->size - offset)
      throw Error::ioError(path_, "reading", "the file ended early");
    forEachBlock(offset, out.size(),
                 [&](std::uint64_t start, std::size_t inBlock, std::size_t done, std::size_t take) {
                   auto found = contents_->blocks.find(start);
                   if (found != contents_->blocks.end())
                     std::memcpy(out.data() + done, found->second.data() + inBlock, take);
                   else
                     contents_->readUnwritten(start + inBlock, out.subspan(done, take));
                 });
  }

  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    forEachBlock(offset, data.size(),
                 [&](std::uint64_t start, std::size_t inBlock, std::size_t done, std::size_t take) {
                   std::memcpy(contents_->block(start).data() + inBlock, data.data() + done, take);
                 });
    contents_->size = std::max(contents_->size, offset + data.size());
  }

  void sync() override {}

  void truncate(std::uint64_t size) override {
    ScratchContents& c = *contents_;
    c.realLimit = std::min(c.realLimit, size);
    for (auto it = c.blocks.lower_bound(size - size % kBlockSize); it != c.blocks.end();) {
      if (it->first >= size) {
        it = c.blocks.erase(it);
      } else {
        std::fill(it->second.begin() + static_cast<std::ptrdiff_t>(size - it->first),
                  it->second.end(), std::uint8_t{0});
        ++it;
      }
    }
    c.size = size;
  }

 private:
  std::string path_;
  std::shared_ptr<ScratchContents> contents_;
};

class ScratchFolder final : public FileSystem {
 public:
  explicit ScratchFolder(FileSystem& real) : real_(real) {}

  std::unique_ptr<File> open(const std::string& path, bool writable) override {
    if (writable) requireWritable(path);
    if (auto found = files_.find(path); found != files_.end())
      return std::make_unique<ScratchFile>(path, found->second);
    if (removed_.count(path)) throw Error::couldNotFindFile(path);
    auto contents = std::make_shared<ScratchContents>();
    contents->real = real_.open(path, false);
    contents->size = contents->realLimit = contents->real->size();
    files_.emplace(path, contents);
    return std::make_unique<ScratchFile>(path, std::move(contents));
  }

  void requireWritable(const std::string& path) override {
    if (madeHere(path)) return;
    if (removed_.count(path)) throw Error::couldNotFindFile(path);
    real_.requireWritable(path);
  }

  std::unique_ptr<File> create(const std::string& path, const std::string& like) override {
    if (!like.empty() && !exists(like)) throw Error::couldNotFindFile(like);
    if (exists(path))
      throw Error::ioError(path, "creating", "a file of that name is already there");
    auto contents = std::make_shared<ScratchContents>();
    files_[path] = contents;
    removed_.erase(path);
    return std::make_unique<ScratchFile>(path, std::move(contents));
  }

  EntryType entryType(const std::string& path) override {
    if (files_.count(path)) return EntryType::RegularFile;
    return removed_.count(path) ? EntryType::None : real_.entryType(path);
  }

  void remove(const std::string& path) override {
    files_.erase(path);
    removed_.insert(path);
  }

  void syncFolder(const std::string&) override {}

  void replace(const std::string& from, const std::string& to) override {
    // The contents move here whether `from` was made here or read from the
    // real folder; the real files stay as they are.
    open(from, false);
    auto found = files_.find(from);
    files_[to] = found->second;
    files_.erase(found);
    removed_.erase(to);
    removed_.insert(from);
  }

  std::string realPath(const std::string& path) override {
    if (madeHere(path)) return path;
    if (removed_.count(path)) throw Error::couldNotFindFile(path);
    return real_.realPath(path);
  }

  std::unique_ptr<FileLock> tryLock(const std::string& path) override {
    // A real file is locked for real, which changes nothing in it and keeps
    // real writers out while it is read here.
    if (!madeHere(path) && !removed_.count(path)) return real_.tryLock(path);
    return std::make_unique<FileLock>();
  }

  bool lockedByOthers(const std::string& path) override {
    return !madeHere(path) && !removed_.count(path) && real_.lockedByOthers(path);
  }

  std::string computerName() override { return real_.computerName(); }

 private:
  bool madeHere(const std::string& path) const {
    auto found = files_.find(path);
    return found != files_.end() && !found->second->real;
  }

  FileSystem& real_;
  std::map<std::string, std::shared_ptr<ScratchContents>> files_;
  std::set<std::string> removed_;
};

}  // namespace

std::unique_ptr<FileSystem> makeScratchFolder(FileSystem& real) {
  return std::make_unique<ScratchFolder>(real);
}

}  // namespace engine
