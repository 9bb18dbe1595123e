#include "engine/write/page_changes.h"

#include "engine/error.h"

namespace engine {

PageChanges::PageChanges(Pager& pager, const Format& format)
    : pager_(pager),
      format_(format),
      pageCount_(pager.pageCount()),
      firstAppended_(pager.pageCount()) {}

std::span<const std::uint8_t> PageChanges::read(std::uint32_t page) {
  if (auto it = edited_.find(page); it != edited_.end()) return it->second;
  if (page >= pageCount_)
    throw Error::damaged(path(), page, "a reference points beyond the end of the file");
  auto it = held_.find(page);
  if (it == held_.end()) it = held_.emplace(page, pager_.page(page)).first;
  return *it->second;
}

std::span<std::uint8_t> PageChanges::edit(std::uint32_t page) {
  if (auto it = edited_.find(page); it != edited_.end()) return it->second;
  std::span<const std::uint8_t> current = read(page);
  PageBuffer copy(current.begin(), current.end());
  return edited_.emplace(page, std::move(copy)).first->second;
}

std::uint32_t PageChanges::append() {
  const std::uint32_t page = pageCount_++;
  edited_.emplace(page, PageBuffer(pager_.pageSize(), 0));
  return page;
}

std::uint64_t PageChanges::write(File& file) {
  std::uint64_t written = 0;
  const PageCodec* codec = pager_.codec();
  PageBuffer encoded;
  for (const auto& [page, bytes] : edited_) {
    std::span<const std::uint8_t> stored = bytes;
    if (page != 0 && codec) {
      encoded = bytes;
      codec->encode(page, encoded);
      stored = encoded;
    }
    file.write(std::uint64_t{page} * pager_.pageSize(), stored);
    written += stored.size();
  }
  // The pager keeps the pages as written: the update reads them back next.
  for (auto& [page, bytes] : edited_) pager_.store(page, std::move(bytes));
  edited_.clear();
  held_.clear();
  return written;
}

}  // namespace engine
