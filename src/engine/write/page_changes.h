#pragma once

#include "engine/base/internal.h"

// The pages one update changes, held as edited copies (decoded, i.e. in
// clear) until the update is complete and written as a whole. Reads see the
// edits; nothing reaches the file before write().

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "engine/file.h"
#include "engine/format.h"
#include "engine/pager/pager.h"

namespace engine {

class PageChanges {
 public:
  PageChanges(Pager& pager, const Format& format);
  PageChanges(const PageChanges&) = delete;
  PageChanges& operator=(const PageChanges&) = delete;

  const Format& format() const { return format_; }
  std::uint32_t pageSize() const { return pager_.pageSize(); }
  // Pages of the file including those appended by this update.
  std::uint32_t pageCount() const { return pageCount_; }
  const std::string& path() const { return pager_.path(); }

  // The current bytes of `page` (edited or as stored).
  std::span<const std::uint8_t> read(std::uint32_t page);
  // A copy of `page` to change.
  std::span<std::uint8_t> edit(std::uint32_t page);
  // A new zero-filled page at the end of the file.
  std::uint32_t append();
  [[nodiscard]] bool appended(std::uint32_t page) const { return page >= firstAppended_; }

  [[nodiscard]] bool empty() const { return edited_.empty(); }

  // Writes every changed page whole (encoded when the file's pages are) in
  // page order and hands the pages to the pager: nothing is left to write.
  // Returns the bytes written.
  std::uint64_t write(File& file);

 private:
  Pager& pager_;
  Format format_;
  std::uint32_t pageCount_;
  std::uint32_t firstAppended_;
  std::map<std::uint32_t, PageBuffer> edited_;
  std::map<std::uint32_t, PageRef> held_;  // pages read, kept alive for spans handed out
};

}  // namespace engine
