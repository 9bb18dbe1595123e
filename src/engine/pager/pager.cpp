#include "engine/pager/pager.h"

#include <algorithm>

#include "engine/error.h"

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
  std::size_t stream = 0;
  const Run run = runFor(number, stream);
  run_.resize(std::size_t{run.count} * pageSize_);
  file_.read(std::uint64_t{run.first} * pageSize_, run_);
  // The stream read goes first; the others keep their order.
  std::move_backward(streams_.begin(), streams_.begin() + static_cast<std::ptrdiff_t>(stream),
                     streams_.begin() + static_cast<std::ptrdiff_t>(stream) + 1);
  streams_[0] = run;
  // The page asked for goes in last, as the most recent.
  PageRef asked;
  const bool backwards = number > run.first;  // the page asked for ends the run
  for (std::uint32_t i = 0; i < run.count; ++i) {
    const std::uint32_t at = backwards ? run.first + i : run.first + run.count - 1 - i;
    const auto from =
        run_.begin() + static_cast<std::ptrdiff_t>(std::size_t{at - run.first} * pageSize_);
    std::shared_ptr<PageBuffer> buffer = makeRoom();
    if (buffer)
      buffer->assign(from, from + static_cast<std::ptrdiff_t>(pageSize_));
    else
      buffer = std::make_shared<PageBuffer>(from, from + static_cast<std::ptrdiff_t>(pageSize_));
    if (at != 0 && codec_) codec_->decode(at, *buffer);
    if (at == number) asked = buffer;
    insert(at, std::move(buffer));
  }
  return asked;
}

Pager::Run Pager::runFor(std::uint32_t number, std::size_t& stream) const {
  const std::size_t limit = std::min<std::size_t>(kReadAhead, capacity_ / 4);
  for (stream = 0; stream < streams_.size(); ++stream) {
    const Run& last = streams_[stream];
    if (last.count == 0) continue;
    std::uint32_t count = 1;
    if (number == last.first + last.count) {
      // Reading on: the pages after it.
      while (count < limit && number + count < pageCount_ && !entries_.count(number + count))
        ++count;
      return {number, count};
    }
    if (number + 1 == last.first) {
      // Reading back (a long value's pages are often chained from the last):
      // the pages before it.
      while (count < limit && count <= number && !entries_.count(number - count)) ++count;
      return {number - count + 1, count};
    }
  }
  stream = streams_.size() - 1;
  return {number, 1};
}

std::shared_ptr<PageBuffer> Pager::makeRoom() {
  std::shared_ptr<PageBuffer> reusable;
  while (entries_.size() >= capacity_) {
    const auto it = entries_.find(recency_.back());
    // Every page is made as a mutable buffer: one nobody else holds may
    // take the next page's bytes.
    if (it->second.page.use_count() == 1)
      reusable = std::const_pointer_cast<PageBuffer>(std::move(it->second.page));
    entries_.erase(it);
    recency_.pop_back();
  }
  return reusable;
}

void Pager::insert(std::uint32_t number, PageRef page) {
  makeRoom();
  recency_.push_front(number);
  entries_.emplace(number, Entry{std::move(page), recency_.begin()});
}

void Pager::clear() {
  entries_.clear();
  recency_.clear();
  pageCount_ =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(file_.size() / pageSize_, 0xFFFFFFFFu));
}

void Pager::store(std::uint32_t number, PageBuffer bytes) {
  if (auto it = entries_.find(number); it != entries_.end()) {
    recency_.erase(it->second.position);
    entries_.erase(it);
  }
  insert(number, std::make_shared<PageBuffer>(std::move(bytes)));
  pageCount_ =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(file_.size() / pageSize_, 0xFFFFFFFFu));
}

}  // namespace engine
