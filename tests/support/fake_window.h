#pragma once

// In-memory stand-ins for the windows, for tests of the database procedures
// and the run.

#include <optional>
#include <string>
#include <vector>

#include "ado/factory.h"
#include "app/main/message_box.h"
#include "db/access.h"
#include "db/memory_list.h"
#include "run/change_case_run.h"

namespace testsupport {

using FakeList = Access::MemoryList;

class FakeWindow final : public Access::ChangeCaseLists, public Run::RunView {
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
  void setProgressValue(double value) override { progress.push_back(value); }
  void setProgressCaption(const std::u16string& caption) override { progressCaption = caption; }
  void refreshPreview() override {
    ++previewRefreshes;
    if (boxes) Access::ListView2_Click(*this, *boxes);
  }
  // Asks to stop once events were served `stopAfterEvents` times (once a record).
  bool stopRequested() const override {
    return stopAfterEvents >= 0 && eventsServed >= stopAfterEvents;
  }

  FakeList tables, fields, preview;
  int pointerStyle = 0;
  std::vector<int> pointerHistory;
  int eventsServed = 0;
  std::u16string caseText = u"UPPER CASE";
  std::vector<double> progress;
  std::u16string progressCaption = u"Progress Bar";
  int previewRefreshes = 0;
  int stopAfterEvents = -1;
  const Access::DatabaseWindow* boxes = nullptr;
};

// "Start Changing" on the fake window: the run on its lists and case text.
inline Run::RunSummary StartChanging(FakeWindow& window, const Access::DatabaseWindow& boxes,
                                     const Run::RunOptions& options = {}) {
  return Run::ChangeCase(Run::RequestOf(window, window.caseText, options), window, boxes);
}

// The database window: its boxes, and the component and message boxes of
// the test (the real component and standard error unless it says otherwise).
struct FakeBoxes final : Access::DatabaseWindow {
  std::u16string path;
  std::u16string pass;
  const ado::Factory* factory = nullptr;
  Main::MessageBoxSeam* reports = nullptr;

  std::u16string databasePath() const override { return path; }
  std::u16string password() const override { return pass; }
  const ado::Factory& adoFactory() const override { return factory ? *factory : realFactory_; }
  Main::MessageBoxSeam& messageBoxes() const override {
    return reports ? *reports : standardError_;
  }

 private:
  ado::Factory realFactory_;
  mutable Main::StandardErrorBoxes standardError_;
};

}  // namespace testsupport
