#pragma once

#include <QString>

#include "ado/factory.h"
#include "app/main/message_box.h"
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

// The database named on the command line; reports go to `reports`.
class CliBoxes final : public Access::DatabaseWindow {
 public:
  CliBoxes(std::u16string path, std::u16string password, Main::MessageBoxSeam& reports)
      : path_(std::move(path)), password_(std::move(password)), reports_(reports) {}
  std::u16string databasePath() const override { return path_; }
  std::u16string password() const override { return password_; }
  const ado::Factory& adoFactory() const override { return factory_; }
  Main::MessageBoxSeam& messageBoxes() const override { return reports_; }

 private:
  std::u16string path_, password_;
  const ado::Factory factory_{};
  Main::MessageBoxSeam& reports_;
};
