#include "run/dry_run.h"

#include <exception>

#include "ado/connection.h"
#include "ado/constants.h"
#include "ado/error.h"
#include "ado/factory.h"
#include "app/message_box.h"
#include "app/trap.h"
#include "db/access.h"
#include "engine/database.h"
#include "engine/io/scratch_folder.h"

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

// The window as the run sees it, but the preview is not rebuilt: it would
// read the copy.
class PreviewKeptWindow final : public RunWindow {
 public:
  explicit PreviewKeptWindow(RunWindow& window) : window_(window) {}
  Access::ListControl& tableList() override { return window_.tableList(); }
  Access::ListControl& fieldList() override { return window_.fieldList(); }
  Access::ListControl& previewList() override { return window_.previewList(); }
  void setPointer(int style) override { window_.setPointer(style); }
  int pointer() const override { return window_.pointer(); }
  void serveEvents() override { window_.serveEvents(); }
  std::u16string caseListText() const override { return window_.caseListText(); }
  void setProgressValue(double value) override { window_.setProgressValue(value); }
  void setProgressCaption(const std::u16string& caption) override {
    window_.setProgressCaption(caption);
  }
  void refreshPreview() override {}

 private:
  RunWindow& window_;
};

}  // namespace

QStringList DryRun(RunWindow& window, const Access::DatabaseBoxes& boxes, RunOptions options,
                   ChangeReport& report) {
  QStringList reports;
  KeptReports kept(reports);
  Main::ScopedMessageBoxSeam seam(&kept);
  const std::unique_ptr<engine::FileSystem> scratch =
      engine::makeScratchFolder(engine::diskFileSystem());
  const ado::ScopedFileSystem inScratch(*scratch);
  try {
    QStringList fields;
    for (int i = 0; i < window.fieldList().count(); ++i)
      if (window.fieldList().isSelected(i))
        fields << QString::fromStdU16String(window.fieldList().text(i));
    const auto table = window.tableList().selectedItemText();
    if (!table) throw ado::Error::noSelectedItem("table list");
    ado::Connection connection;
    connection.SetMode(ado::adModeReadWrite);
    connection.Open(Access::AccessConnectionString(boxes));
    // A file the user may not change would be refused by the real run.
    if (!connection.database().writable()) throw ado::Error::readOnly();
    report.survey(connection, QString::fromStdU16String(*table), fields, [] { return false; });
    connection.Close();
  } catch (...) {
    reports << Main::DescriptionOf(std::current_exception());
    return reports;
  }
  options.writeObserver = &report;
  options.pauses = false;
  PreviewKeptWindow previewKept(window);
  report.finish(PushButton4_Click(previewKept, boxes, options));
  return reports;
}

}  // namespace Run
