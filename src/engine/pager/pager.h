#pragma once

#include "engine/base/internal.h"

// Pages of one database file: fixed-size reads through a File, decoded by an
// optional PageCodec, kept in a bounded least-recently-used cache. A page is
// handed out as a shared, immutable buffer: holding it keeps it alive even
// after the cache drops it, so memory stays bounded by cache size plus what
// callers hold at one time.

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/file.h"
#include "engine/format/bounded_bytes.h"
#include "engine/pager/page_codec.h"

namespace engine {

using PageBuffer = std::vector<std::uint8_t>;
using PageRef = std::shared_ptr<const PageBuffer>;

class Pager {
 public:
  // Pages read in one call when a miss continues a recent read (the page
  // after it, or the one before it, as a long value chained from its end):
  // a pass over a table larger than the cache then costs one call for this
  // many pages rather than one a page. Caches under four times this size
  // read ahead less, so that a run never pushes out what it was read for.
  static constexpr std::uint32_t kReadAhead = 32;
  // Reads followed at once: passes that take turns (a walk over a table and
  // the records each of its changes looks up) each keep their runs.
  static constexpr std::size_t kStreams = 4;

  Pager(File& file, std::uint32_t pageSize, std::size_t capacity);
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  void setCodec(std::unique_ptr<PageCodec> codec) { codec_ = std::move(codec); }
  const PageCodec* codec() const { return codec_.get(); }

  std::uint32_t pageSize() const { return pageSize_; }
  std::uint32_t pageCount() const { return pageCount_; }
  const std::string& path() const { return file_.path(); }
  File& file() { return file_; }

  // Page `number`, decoded. Throws Error::damaged when it lies beyond
  // the end of the file.
  PageRef page(std::uint32_t number);
  // A bounds-checked view of a page; keep `ref` alive while using it.
  BoundedBytes view(const PageRef& ref, std::uint32_t number) const {
    return BoundedBytes(*ref, number, file_.path());
  }

  // Forgets every cached page (after a write, or to test cold reads).
  void clear();
  // Takes `bytes` (decoded) as page `number` after they were written to the
  // file, so that the page is not read back, and takes note of pages
  // appended to the file since.
  void store(std::uint32_t number, PageBuffer bytes);
  std::size_t cachedPages() const { return entries_.size(); }

 private:
  struct Entry {
    PageRef page;
    std::list<std::uint32_t>::iterator position;
  };

  struct Run {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
  };
  // The pages one read fetches for a miss of `number`: more than it when the
  // miss continues a recent read, forwards or backwards; and which of
  // streams_ it continues (the least recent when none).
  Run runFor(std::uint32_t number, std::size_t& stream) const;
  // Drops the least recent pages until one more fits; the buffer of a page
  // dropped that nobody holds any more comes back for the next page (a pass
  // over a file larger than the cache then allocates none), else nothing.
  std::shared_ptr<PageBuffer> makeRoom();
  void insert(std::uint32_t number, PageRef page);

  File& file_;
  std::uint32_t pageSize_;
  std::uint32_t pageCount_;
  std::size_t capacity_;
  std::unique_ptr<PageCodec> codec_;
  std::list<std::uint32_t> recency_;  // most recent first
  std::unordered_map<std::uint32_t, Entry> entries_;
  std::array<Run, kStreams> streams_{};  // the last read of each, most recent first
  PageBuffer run_;                       // the bytes of the last read
};

}  // namespace engine
