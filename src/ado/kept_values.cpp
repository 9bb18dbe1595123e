#include "ado/kept_values.h"

#include <functional>
#include <string_view>

namespace ado {

void KeptValues::reset(std::size_t fields, std::size_t rows) {
  rows_ = rows;
  entryOf_.assign(fields, {});
  entries_.clear();
  unused_.clear();
  byHash_.clear();
}

std::uint64_t KeptValues::hashOf(const Value& value) {
  // Only text changes; other values (a null) are few and share one bucket.
  return value.isText() ? std::hash<std::u16string_view>{}(value.text()) : 0;
}

std::uint32_t KeptValues::share(const Value& value) {
  const std::uint64_t hash = hashOf(value);
  for (auto [at, end] = byHash_.equal_range(hash); at != end; ++at) {
    if (entries_[at->second].value == value) {
      ++entries_[at->second].uses;
      return at->second;
    }
  }
  std::uint32_t index;
  if (unused_.empty()) {
    index = static_cast<std::uint32_t>(entries_.size());
    entries_.push_back({value, 1});
  } else {
    index = unused_.back();
    unused_.pop_back();
    entries_[index] = {value, 1};
  }
  byHash_.emplace(hash, index);
  return index;
}

void KeptValues::keep(std::size_t field, std::size_t row, const Value& value) {
  std::vector<std::uint32_t>& entries = entryOf_[field];
  if (entries.empty()) entries.resize(rows_);
  if (entries[row] == 0) entries[row] = share(value) + 1;
}

const Value* KeptValues::find(std::size_t field, std::size_t row) const {
  const std::vector<std::uint32_t>& entries = entryOf_[field];
  if (entries.empty() || entries[row] == 0) return nullptr;
  return &entries_[entries[row] - 1].value;
}

void KeptValues::release(std::size_t row) {
  for (std::vector<std::uint32_t>& entries : entryOf_) {
    if (entries.empty() || entries[row] == 0) continue;
    const std::uint32_t index = entries[row] - 1;
    entries[row] = 0;
    Entry& entry = entries_[index];
    if (--entry.uses > 0) continue;
    for (auto [at, end] = byHash_.equal_range(hashOf(entry.value)); at != end; ++at) {
      if (at->second == index) {
        byHash_.erase(at);
        break;
      }
    }
    entry.value = Value();
    unused_.push_back(index);
  }
}

}  // namespace ado
