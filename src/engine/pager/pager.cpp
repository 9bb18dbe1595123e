#include "engine/pager/pager.h"

#include "engine/base/error.h"

namespace engine {

Pager::Pager(File& file, std::uint32_t pageSize, std::size_t capacity)
    : file_(file),
      pageSize_(pageSize),
      pageCount_(
          static_cast<std::uint32_t>(std::min<std::uint64_t>(file.size() / pageSize, 0xFFFFFFFFu))),
      capacity_(capacity == 0 ? 1 : capacity) {}

PageRef Pager::page(std::uint32_t number) {
  if (auto it = entries_.find(number); it != entries_.end()) {
    recency_.splice(recency_.begin(), recency_, it->second.position);
    return it->second.page;
  }
  if (number >= pageCount_)
    throw Error::damaged(
        file_.path(), number,
        "a reference points beyond the end of the file (" + std::to_string(pageCount_) + " pages)");
  auto buffer = std::make_shared<PageBuffer>(pageSize_);
  file_.read(std::uint64_t{number} * pageSize_, *buffer);
  if (number != 0 && codec_) codec_->decode(number, *buffer);

  while (entries_.size() >= capacity_) {
    entries_.erase(recency_.back());
    recency_.pop_back();
  }
  recency_.push_front(number);
  PageRef ref = std::move(buffer);
  entries_.emplace(number, Entry{ref, recency_.begin()});
  return ref;
}

void Pager::clear() {
  entries_.clear();
  recency_.clear();
  pageCount_ =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(file_.size() / pageSize_, 0xFFFFFFFFu));
}

void Pager::refresh(std::uint32_t number) {
  if (auto it = entries_.find(number); it != entries_.end()) {
    recency_.erase(it->second.position);
    entries_.erase(it);
  }
  pageCount_ =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(file_.size() / pageSize_, 0xFFFFFFFFu));
}

}  // namespace engine
