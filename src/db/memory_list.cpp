#include "db/memory_list.h"

#include <stdexcept>

namespace Access {

void MemoryList::clear() {
  items_.clear();
  current_ = -1;
}

void MemoryList::add(const std::u16string& text) {
  items_.push_back({text, items_.empty()});
  if (items_.size() == 1) current_ = 0;
}

int MemoryList::count() const { return static_cast<int>(items_.size()); }

std::u16string MemoryList::text(int index) const {
  return items_.at(static_cast<std::size_t>(index)).text;
}

bool MemoryList::isSelected(int index) const {
  return items_.at(static_cast<std::size_t>(index)).selected;
}

void MemoryList::setSelected(int index, bool selected) {
  items_.at(static_cast<std::size_t>(index)).selected = selected;
}

std::optional<std::u16string> MemoryList::selectedItemText() const {
  if (current_ < 0 || current_ >= count()) return std::nullopt;
  return items_[static_cast<std::size_t>(current_)].text;
}

void MemoryList::click(int index) {
  if (index < 0 || index >= count()) throw std::out_of_range("no such list item");
  current_ = index;
  items_[static_cast<std::size_t>(index)].selected = true;
}

std::vector<std::u16string> MemoryList::texts() const {
  std::vector<std::u16string> out;
  for (const Item& item : items_) out.push_back(item.text);
  return out;
}

}  // namespace Access
