#pragma once

// In-memory stand-ins for the windows, for tests of the database procedures
// and the run.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/access.h"
#include "run/change_case_run.h"

namespace testsupport {

class FakeList final : public Access::ListControl {
 public:
  void clear() override {
    items.clear();
    current = -1;
  }
  void add(const std::u16string& text) override {
    items.push_back({text, false});
    if (items.size() == 1) {
      current = 0;
      items[0].selected = true;
    }
  }
  int count() const override { return static_cast<int>(items.size()); }
  std::u16string text(int index) const override { return items.at(std::size_t(index)).text; }
  bool isSelected(int index) const override { return items.at(std::size_t(index)).selected; }
  void setSelected(int index, bool selected) override { items.at(std::size_t(index)).selected = selected; }
  std::optional<std::u16string> selectedItemText() const override {
    if (current < 0 || current >= count()) return std::nullopt;
    return items[std::size_t(current)].text;
  }
  // A click on an item: it becomes the current one.
  void click(int index) {
    current = index;
    items.at(std::size_t(index)).selected = true;
  }
  std::vector<std::u16string> texts() const {
    std::vector<std::u16string> out;
    for (const auto& item : items) out.push_back(item.text);
    return out;
  }

  struct Item {
    std::u16string text;
    bool selected;
  };
  std::vector<Item> items;
  int current = -1;
};

class FakeWindow final : public Run::RunWindow {
 public:
  FakeList& tableList() override { return tables; }
  FakeList& fieldList() override { return fields; }
  FakeList& previewList() override { return preview; }
  void setPointer(int style) override {
    pointerStyle = style;
    pointerHistory.push_back(style);
  }
  int pointer() const override { return pointerStyle; }
  void serveEvents() override { ++eventsServed; }
  std::u16string caseListText() const override { return caseText; }
  void setProgressValue(double value) override { progress.push_back(value); }
  void setProgressCaption(const std::u16string& caption) override { progressCaption = caption; }
  void refreshPreview() override {
    ++previewRefreshes;
    if (boxes) Access::ListView2_Click(*this, *boxes);
  }

  FakeList tables, fields, preview;
  int pointerStyle = 0;
  std::vector<int> pointerHistory;
  int eventsServed = 0;
  std::u16string caseText = u"UPPER CASE";
  std::vector<double> progress;
  std::u16string progressCaption = u"Progress Bar";
  int previewRefreshes = 0;
  const Access::DatabaseBoxes* boxes = nullptr;
};

struct FakeBoxes final : Access::DatabaseBoxes {
  std::u16string path;
  std::u16string pass;
  std::u16string databasePath() const override { return path; }
  std::u16string password() const override { return pass; }
};

}  // namespace testsupport
