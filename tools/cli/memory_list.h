#pragma once

#include <vector>

#include "db/window_lists.h"

// A list control held in memory: how the command line stands in for the
// windows' lists.
class MemoryList final : public Access::ListControl {
 public:
  void clear() override;
  void add(const std::u16string& text) override;
  int count() const override;
  std::u16string text(int index) const override;
  bool isSelected(int index) const override;
  void setSelected(int index, bool selected) override;
  std::optional<std::u16string> selectedItemText() const override;

  // Makes an item the current one, as a click on it would.
  void setCurrent(int index);
  std::vector<std::u16string> texts() const;

 private:
  struct Item {
    std::u16string text;
    bool selected = false;
  };
  std::vector<Item> items_;
  int current_ = -1;
};
