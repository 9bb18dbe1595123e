#pragma once

// A list control held in memory: how the command line, and tests, stand in
// for the windows' lists.

#include <vector>

#include "db/window_lists.h"

namespace Access {

class MemoryList final : public ListControl {
 public:
  void clear() override;
  void add(const std::u16string& text) override;
  int count() const override;
  std::u16string text(int index) const override;
  [[nodiscard]] bool isSelected(int index) const override;
  void setSelected(int index, bool selected) override;
  [[nodiscard]] std::optional<std::u16string> selectedItemText() const override;

  // What a click on an item does: it becomes the current item and selected.
  void click(int index);
  std::vector<std::u16string> texts() const;

 private:
  struct Item {
    std::u16string text;
    bool selected = false;
  };
  std::vector<Item> items_;
  int current_ = -1;
};

}  // namespace Access
