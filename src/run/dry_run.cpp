#include "run/dry_run.h"

#include <exception>

#include "ado/connection.h"
#include "ado/constants.h"
#include "ado/error.h"
#include "ado/factory.h"
#include "app/main/message_box.h"
#include "app/main/trap.h"
#include "db/access.h"
#include "engine/database.h"
#include "engine/scratch_folder.h"

namespace Run {
namespace {

// The run's reports, kept for the result instead of shown.
class KeptReports final : public Main::MessageBoxSeam {
 public:
  explicit KeptReports(QStringList& texts) : texts_(texts) {}
  Main::MessageAnswer show(const Main::MessageBoxRequest& request) override {
    texts_ << request.text;
    return Main::MessageAnswer::Ok;
  }

 private:
  QStringList& texts_;
};

// The database window as the run sees it, but its reports are kept.
class ReportsKeptWindow final : public Access::DatabaseWindow {
 public:
  ReportsKeptWindow(const Access::DatabaseWindow& window, KeptReports& kept)
      : window_(window), kept_(kept) {}
  std::u16string databasePath() const override { return window_.databasePath(); }
  std::u16string password() const override { return window_.password(); }
  const ado::Factory& adoFactory() const override { return window_.adoFactory(); }
  Main::MessageBoxSeam& messageBoxes() const override { return kept_; }

 private:
  const Access::DatabaseWindow& window_;
  KeptReports& kept_;
};

// The view as the run sees it, but the preview is not rebuilt: it would
// read the copy.
class PreviewKeptView final : public RunView {
 public:
  explicit PreviewKeptView(RunView& view) : view_(view) {}
  void setPointer(int style) override { view_.setPointer(style); }
  void serveEvents() override { view_.serveEvents(); }
  void setProgressValue(double value) override { view_.setProgressValue(value); }
  void setProgressCaption(const std::u16string& caption) override {
    view_.setProgressCaption(caption);
  }
  void refreshPreview() override {}

 private:
  RunView& view_;
};

}  // namespace

QStringList DryRun(ChangeCaseRequest request, RunView& view, const Access::DatabaseWindow& boxes,
                   ChangeReport& report) {
  QStringList reports;
  KeptReports kept(reports);
  const ReportsKeptWindow reportsKept(boxes, kept);
  const std::unique_ptr<engine::FileSystem> scratch =
      engine::makeScratchFolder(engine::diskFileSystem());
  try {
    QStringList fields;
    for (const std::u16string& field : request.fields) fields << QString::fromStdU16String(field);
    if (!request.table) throw ado::Error::noSelectedItem("table list");
    const auto connection = boxes.adoFactory().CreateConnection();
    connection->SetMode(ado::adModeReadWrite);
    connection->SetFolder(scratch.get());
    connection->Open(Access::AccessConnectionString(boxes));
    // A file the user may not change would be refused by the real run.
    if (!connection->database().writable()) throw ado::Error::readOnly();
    // Nothing asks a dry run to stop before its end.
    static_cast<void>(report.survey(*connection, QString::fromStdU16String(*request.table), fields,
                                    [] { return false; }));
    connection->Close();
  } catch (...) {
    reports << Main::DescriptionOf(std::current_exception());
    return reports;
  }
  request.options.writeObserver = &report;
  request.options.walkObserver = &report;
  request.options.pauses = false;
  request.options.folder = scratch.get();
  PreviewKeptView previewKept(view);
  report.finish(ChangeCase(request, previewKept, reportsKept));
  return reports;
}

}  // namespace Run
