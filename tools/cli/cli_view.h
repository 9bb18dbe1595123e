#pragma once

#include <QString>

#include "db/memory_list.h"
#include "run/change_case_run.h"

// What a run shows on the command line: progress as a bar on standard error
// when that is a terminal. A stop signal asks the run to stop.
class CliProgress final : public Run::RunView {
 public:
  explicit CliProgress(bool showProgress) : showProgress_(showProgress) {}

  void setPointer(int) override {}
  void serveEvents() override {}
  void setProgressValue(double value) override;
  void setProgressCaption(const std::u16string& caption) override;
  void refreshPreview() override {}
  bool stopRequested() const override;

 private:
  bool showProgress_;
  int lastPercent_ = -1;
};

// The table, field and preview lists, in memory, that the database
// procedures fill for the fields and preview commands.
class CliLists final : public Access::ChangeCaseLists {
 public:
  Access::MemoryList& tableList() override { return tables_; }
  Access::MemoryList& fieldList() override { return fields_; }
  Access::MemoryList& previewList() override { return preview_; }
  void setPointer(int) override {}
  int pointer() const override { return Access::kPointerDefault; }
  void serveEvents() override {}

 private:
  Access::MemoryList tables_, fields_, preview_;
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
