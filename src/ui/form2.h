#pragma once

// The change-case window: the table list, the field list, the preview, the
// case list, "Start Changing" with its progress bar, select and unselect all,
// help and "< Back"; beside them "Preview Changes" with its list, the words
// Name Case keeps as written, and "Undo Last Run". It owns no data apart
// from its controls; the database procedures fill the lists and the run
// reads them. Its title names the open database.

#include <QWidget>
#include <memory>

#include "app/frame/mouse_pointer.h"
#include "run/change_case_run.h"
#include "run/run_guard.h"
#include "run/undo_store.h"

namespace Ui {
class Form2;
}
namespace Controls {
class PushButton;
class ProgressBar;
class ReportList;
class TextBox;
}  // namespace Controls
namespace Main {
class Program;
class SettingsStore;
}  // namespace Main
class QComboBox;
class QGroupBox;

class Form2 final : public QWidget, public Access::ChangeCaseLists, public Run::RunView {
  Q_OBJECT
 public:
  static inline const QString kHelpLines[4] = {
      QStringLiteral("1. Select table."),
      QStringLiteral("2. Select one or more fields to change."),
      QStringLiteral("3. Select \"UPPER CASE\" or \"lower case\" or \"Proper Case\" or "
                     "\"Sentence case\"."),
      QStringLiteral("4. Click 'Start Changing Case' to make changes to your database."),
  };

  static constexpr std::size_t kPreviewExamples = 100;

  // `databaseWindow` is shown again by "< Back"; `boxes` name the database;
  // `settings` keep the words Name Case keeps as written.
  Form2(QWidget& databaseWindow, const Access::DatabaseWindow& boxes, Main::SettingsStore& settings,
        Main::Program& program);
  ~Form2() override;
  Form2(const Form2&) = delete;
  Form2& operator=(const Form2&) = delete;

  // The load step: colours, icon, pointer image, title, case entries and
  // column headers. Runs once, right after the window is created.
  void Form_Load();

  void PushButton1_Click();  // "< Back"
  void PushButton2_Click();  // "Select All Fields"
  void PushButton3_Click();  // "Unselect All Fields"
  void PushButton4_Click();  // "Start Changing"
  void PushButton5_Click();  // "Help"
  void PushButton6_Click();  // "Preview Changes"
  void PushButton7_Click();  // "Undo Last Run"
  void Text1_Change();       // the words Name Case keeps
  // The user's clicks on the table and field lists.
  void ListView1_Click();
  void ListView2_Click();
  void Form_MouseMove();
  void ListView1_MouseMove();
  void ListView2_MouseMove();
  void ListView3_MouseMove();
  void Frame1_MouseMove();
  void PushButton1_MouseMove();
  void PushButton2_MouseMove();
  void PushButton3_MouseMove();
  void PushButton4_MouseMove();
  void PushButton5_MouseMove();

  // Access::ChangeCaseLists and Run::RunView
  Access::ListControl& tableList() override;
  Access::ListControl& fieldList() override;
  Access::ListControl& previewList() override;
  void setPointer(int style) override { pointer_.set(style); }
  int pointer() const override { return pointer_.value(); }
  void serveEvents() override;
  void setProgressValue(double value) override;
  void setProgressCaption(const std::u16string& caption) override;
  void refreshPreview() override;
  std::u16string caseListText() const;

  Controls::ReportList& ListView1() const;
  Controls::ReportList& ListView2() const;
  Controls::ReportList& ListView3() const;
  QComboBox& Combo1() const;
  QGroupBox& Frame1() const;
  Controls::ProgressBar& ProgressBar1() const;
  Controls::PushButton& PushButton1() const;
  Controls::PushButton& PushButton2() const;
  Controls::PushButton& PushButton3() const;
  Controls::PushButton& PushButton4() const;
  Controls::PushButton& PushButton5() const;
  Controls::PushButton& PushButton6() const;
  Controls::PushButton& PushButton7() const;
  Controls::ReportList& ListView4() const;
  QGroupBox& Frame2() const;
  Controls::TextBox& Text1() const;

  Main::MousePointer& mousePointer() { return pointer_; }
  // How "Start Changing" runs; tests leave out the pauses.
  void setRunOptions(const Run::RunOptions& options) { runOptions_ = options; }
  // Whether a run or a dry run is under way: its pauses serve window events,
  // and the windows refuse clicks that would change the lists it reads.
  [[nodiscard]] bool runUnderWay() const { return runUnderWay_; }
  // Marks a run as under way for as long as the guard lives.
  Run::RunGuard guardRun() { return Run::RunGuard(runUnderWay_); }
  // Where this window's message boxes and error reports go.
  Main::MessageBoxSeam& messageBoxes() const { return boxes_.messageBoxes(); }
  // Where the undo files of the runs go.
  const Run::UndoStore& undoStore() const { return undoStore_; }

 protected:
  void closeEvent(QCloseEvent* event) override;  // Form_Unload
  void showEvent(QShowEvent* event) override;

 private:
  void selectAllFields(const char* location, bool selected);
  [[nodiscard]] bool anyFieldSelected() const;
  // What the controls ask of a run, with the words of Text1.
  Run::ChangeCaseRequest requestOfRun();
  void nameDatabase();

  std::unique_ptr<Ui::Form2> ui_;
  QWidget& databaseWindow_;
  const Access::DatabaseWindow& boxes_;
  Main::MousePointer pointer_;
  Run::RunOptions runOptions_;
  Main::SettingsStore& settings_;
  Main::Program& program_;
  Run::UndoStore undoStore_;
  bool runUnderWay_ = false;
};
