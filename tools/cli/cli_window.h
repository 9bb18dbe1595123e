#pragma once

#include <QString>

#include "db/memory_list.h"
#include "run/change_case_run.h"

// The change-case window of the command line: lists in memory, progress as a
// bar on standard error when that is a terminal.
class CliWindow final : public Run::RunWindow {
 public:
  explicit CliWindow(bool showProgress) : showProgress_(showProgress) {}

  Access::MemoryList& tableList() override { return tables_; }
  Access::MemoryList& fieldList() override { return fields_; }
  Access::MemoryList& previewList() override { return preview_; }
  void setPointer(int style) override { pointer_ = style; }
  int pointer() const override { return pointer_; }
  void serveEvents() override {}

  std::u16string caseListText() const override { return caseText_; }
  void setCaseListText(std::u16string text) { caseText_ = std::move(text); }
  void setProgressValue(double value) override;
  void setProgressCaption(const std::u16string& caption) override;
  void refreshPreview() override {}
  bool stopRequested() const override;

 private:
  Access::MemoryList tables_, fields_, preview_;
  std::u16string caseText_;
  int pointer_ = 0;
  bool showProgress_;
  int lastPercent_ = -1;
};

// Database boxes filled from the command line.
class CliBoxes final : public Access::DatabaseBoxes {
 public:
  CliBoxes(std::u16string path, std::u16string password)
      : path_(std::move(path)), password_(std::move(password)) {}
  std::u16string databasePath() const override { return path_; }
  std::u16string password() const override { return password_; }

 private:
  std::u16string path_, password_;
};
