#include "ui/form2.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdint>
#include <exception>
#include <limits>

#include "ado/error.h"
#include "app/frame/cursor_file.h"
#include "app/frame/form_colors.h"
#include "app/frame/program.h"
#include "app/frame/program_icon.h"
#include "app/frame/settings_store.h"
#include "app/main/error_report.h"
#include "app/main/file_exists.h"
#include "app/main/message_box.h"
#include "app/main/trap.h"
#include "db/access.h"
#include "run/dry_run.h"
#include "run/run_guard.h"
#include "ui/progress_bar.h"
#include "ui/push_button.h"
#include "ui/report_list.h"
#include "ui/text_box.h"
#include "ui/window_frame.h"
#include "ui_form2.h"

static_assert(Main::kMousePointerDefault == Access::kPointerDefault);
static_assert(Main::kMousePointerHourglass == Access::kPointerHourglass);
static_assert(Main::kMousePointerCustom == Access::kPointerHand);

Form2::Form2(QWidget& databaseWindow, const Access::DatabaseWindow& boxes,
             Main::SettingsStore& settings, Main::Program& program)
    : ui_(std::make_unique<Ui::Form2>()),
      databaseWindow_(databaseWindow),
      boxes_(boxes),
      pointer_(*this),
      settings_(settings),
      program_(program),
      undoStore_(Run::UndoStore::DefaultFolder()) {
  ui_->setupUi(this);
  // Wider than the original by the column of the preview of changes.
  Controls::MakeFixedWindow(*this, 15240, 8595);
  setFont(Controls::ControlFont());
  Main::PaintWindowAndFrames(*this, Main::DesignBackgroundColour());
  Combo1().setEditable(false);
  ListView1().setSelectionMode(QAbstractItemView::SingleSelection);
  ListView2().setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView3().setSelectionMode(QAbstractItemView::SingleSelection);
  ListView4().setSelectionMode(QAbstractItemView::SingleSelection);
  // The run reads the table list, the field list and the field selections.
  ListView1().refuseInputWhile([this] { return runUnderWay_; });
  ListView2().refuseInputWhile([this] { return runUnderWay_; });

  connect(&PushButton1(), &QPushButton::clicked, this, [this] { PushButton1_Click(); });
  connect(&PushButton2(), &QPushButton::clicked, this, [this] { PushButton2_Click(); });
  connect(&PushButton3(), &QPushButton::clicked, this, [this] { PushButton3_Click(); });
  connect(&PushButton4(), &QPushButton::clicked, this, [this] { PushButton4_Click(); });
  connect(&PushButton5(), &QPushButton::clicked, this, [this] { PushButton5_Click(); });
  connect(&PushButton6(), &QPushButton::clicked, this, [this] { PushButton6_Click(); });
  connect(&PushButton7(), &QPushButton::clicked, this, [this] { PushButton7_Click(); });
  connect(&Text1(), &QLineEdit::textChanged, this, [this] { Text1_Change(); });
  connect(&ListView1(), &Controls::ReportList::itemChosen, this, [this] { ListView1_Click(); });
  connect(&ListView2(), &Controls::ReportList::itemChosen, this, [this] { ListView2_Click(); });

  Main::OnMouseMove(*this, [this] { Form_MouseMove(); });
  Main::OnMouseMove(ListView1(), [this] { ListView1_MouseMove(); });
  Main::OnMouseMove(ListView2(), [this] { ListView2_MouseMove(); });
  Main::OnMouseMove(ListView3(), [this] { ListView3_MouseMove(); });
  Main::OnMouseMove(Frame1(), [this] { Frame1_MouseMove(); });
  Main::OnMouseMove(PushButton1(), [this] { PushButton1_MouseMove(); });
  Main::OnMouseMove(PushButton2(), [this] { PushButton2_MouseMove(); });
  Main::OnMouseMove(PushButton3(), [this] { PushButton3_MouseMove(); });
  Main::OnMouseMove(PushButton4(), [this] { PushButton4_MouseMove(); });
  Main::OnMouseMove(PushButton5(), [this] { PushButton5_MouseMove(); });
  Main::OnMouseMove(ListView4(), [this] { ListView3_MouseMove(); });
  Main::OnMouseMove(Frame2(), [this] { Frame1_MouseMove(); });
  Main::OnMouseMove(PushButton6(), [this] { PushButton5_MouseMove(); });
  Main::OnMouseMove(PushButton7(), [this] { PushButton5_MouseMove(); });
}

Form2::~Form2() = default;

void Form2::Form_Load() {
  Main::Trap trap("in Casewick2021/08/31.Form2.Form_Load ", messageBoxes());
  trap(100, [&] { Main::SetFormColors(*this); });
  trap(102, [&] { setWindowIcon(Main::ProgramIcon()); });
  const QString handPointer = program_.folderFile(QStringLiteral("/HAND-M.CUR"));
  if (trap.when(106, [&] { return Main::FileExists(handPointer); }))
    trap(108, [&] { pointer_.setMouseIcon(Main::LoadCursorFile(handPointer)); });
  trap(110, [&] { setWindowTitle(QStringLiteral("Caseloom")); });
  trap(112, [&] { Combo1().addItem(QStringLiteral("UPPER CASE")); });
  trap(114, [&] { Combo1().addItem(QStringLiteral("lower case")); });
  trap(116, [&] { Combo1().addItem(QStringLiteral("Proper Case")); });
  trap(118, [&] { Combo1().addItem(QStringLiteral("Sentence case")); });
  trap(120, [&] { Combo1().setCurrentIndex(0); });
  trap(122, [&] { ListView1().addColumnHeader(QStringLiteral("Table(s)")); });
  trap(124, [&] { ListView1().setColumnHeaderWidth(1, 4000); });
  trap(126, [&] { ListView2().addColumnHeader(QStringLiteral("Field(s)")); });
  trap(128, [&] { ListView2().setColumnHeaderWidth(1, 4000); });
  trap(130, [&] {
    ListView3().addColumnHeader(QStringLiteral("Preview - First 100 Records Are Shown"));
  });
  trap(132, [&] { ListView3().setColumnHeaderWidth(1, 8000); });
  trap(134, [&] { Combo1().addItem(QStringLiteral("Name Case")); });
  trap(136, [&] { ListView4().addColumnHeader(QStringLiteral("Preview of Changes")); });
  trap(138, [&] { ListView4().setColumnHeaderWidth(1, 5500); });
  trap(140, [&] {
    Text1().setText(settings_.read(Main::kNameExceptionsKey, Main::kDefaultNameExceptions));
  });
}

void Form2::PushButton1_Click() {
  if (runUnderWay_) return;  // the database window could start another open
  Main::Trap trap("in Casewick2021/08/31.Form2.PushButton1_Click ", messageBoxes());
  trap(100, [&] { databaseWindow_.show(); });
  trap(102, [&] { hide(); });
}

void Form2::selectAllFields(const char* location, bool selected) {
  // While a run is under way it reads these selections.
  if (runUnderWay_) return;
  Main::Trap trap(location, messageBoxes());
  std::int16_t count = 0;  // the item count is held in a 16-bit counter
  trap(100, [&] {
    const int items = ListView2().count();
    if (items > std::numeric_limits<std::int16_t>::max()) throw ado::Error::overflow();
    count = static_cast<std::int16_t>(items);
  });
  for (int i = 0; i < count; ++i) trap(102, [&] { ListView2().setSelected(i, selected); });
}

void Form2::PushButton2_Click() {
  selectAllFields("in Casewick2021/08/31.Form2.PushButton2_Click ", true);
}

void Form2::PushButton3_Click() {
  selectAllFields("in Casewick2021/08/31.Form2.PushButton3_Click ", false);
}

bool Form2::anyFieldSelected() const {
  for (int i = 0; i < ListView2().count(); ++i)
    if (ListView2().isSelected(i)) return true;
  return false;
}

Run::ChangeCaseRequest Form2::requestOfRun() {
  Run::RunOptions options = runOptions_;
  options.nameExceptions =
      Case::NameExceptions(Case::ExceptionWords(Text1().text().toStdU16String()));
  return Run::RequestOf(*this, caseListText(), std::move(options));
}

void Form2::PushButton4_Click() {
  if (runUnderWay_) return;
  const Run::RunGuard guard(runUnderWay_);
  Run::ChangeCaseRequest request = requestOfRun();
  // Every run that can change something writes its undo file first; a run
  // whose undo file cannot be made does not start.
  const QString database = QString::fromStdU16String(boxes_.databasePath());
  const QDateTime now = QDateTime::currentDateTimeUtc();
  std::unique_ptr<Run::UndoFileWriter> undo;
  if (anyFieldSelected() && ListView1().selectedItemText() && Main::FileExists(database)) {
    try {
      undo = undoStore_.startRun(database, Combo1().currentText(), now);
    } catch (...) {
      Main::ShowApplicationError(messageBoxes(), Main::DescriptionOf(std::current_exception()),
                                 QStringLiteral("in Casewick2021/08/31.Form2.PushButton4_Click "),
                                 100);
      return;
    }
    request.options.writeObserver = undo.get();
  }
  Run::ChangeCase(request, *this, boxes_);
  if (!undo) return;
  const QString file = undoStore_.lastRunOf(database).value_or(QString());
  // A run that changed nothing leaves nothing to undo: "Undo Last Run" then
  // takes back the run before it.
  if (undo->entries() == 0) {
    undo.reset();
    QFile::remove(file);
  }
  undoStore_.prune(now);
}

void Form2::PushButton6_Click() {
  if (runUnderWay_) return;
  const Run::RunGuard guard(runUnderWay_);
  ListView4().clear();
  if (!ListView1().selectedItemText() || !anyFieldSelected()) {
    ListView4().add(u"Select a table and one or more fields first.");
    return;
  }
  Run::ChangeReport report(kPreviewExamples);
  const QStringList reports = Run::DryRun(requestOfRun(), *this, boxes_, report);
  const QStringList lines = report.lines(/*dryRun=*/true, /*examples=*/true, /*refusals=*/true);
  for (const QString& line : lines) ListView4().add(line.toStdU16String());
  // Refusals are listed under their fields; what else went wrong, here.
  if (lines.isEmpty())
    for (const QString& text : reports)
      for (const QString& line :
           text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")), Qt::SkipEmptyParts))
        ListView4().add(line.toStdU16String());
  setProgressValue(0);
  setProgressCaption(u"Progress Bar");
}

namespace {

QString WhereText(const Run::UndoEntry& entry) {
  return QStringLiteral("%1.%2 (page %3, row %4)")
      .arg(QString::fromStdU16String(entry.table), QString::fromStdU16String(entry.field))
      .arg(entry.row.page)
      .arg(entry.row.slot);
}

QString FoundText(const Run::PutBackReport::Skipped& skipped) {
  if (!skipped.found) return QStringLiteral("the record is gone");
  if (!skipped.found->isText()) return QStringLiteral("now holds no value");
  return QStringLiteral("now holds \"%1\"").arg(QString::fromStdU16String(skipped.found->text()));
}

}  // namespace

void Form2::PushButton7_Click() {
  if (runUnderWay_) return;
  std::optional<Run::UndoneRun> undone;
  try {
    undone = Run::UndoLastRun(undoStore_, boxes_);
  } catch (...) {
    Main::ShowApplicationError(messageBoxes(), Main::DescriptionOf(std::current_exception()),
                               QStringLiteral("in Casewick2021/08/31.Form2.PushButton7_Click "),
                               100);
    return;
  }
  if (!undone) {
    Main::ShowMessageBox(messageBoxes(),
                         {.title = {},
                          .text = QStringLiteral("No run on this database is left to undo."),
                          .icon = Main::MessageIcon::None,
                          .buttons = Main::MessageButtons::Ok});
    return;
  }
  const Run::PutBackReport& report = undone->report;
  QStringList lines;
  lines << QStringLiteral("Put back %1 values.").arg(report.putBack);
  if (report.alreadyAsBefore > 0)
    lines << QStringLiteral("%1 values already held their old text.").arg(report.alreadyAsBefore);
  if (!report.changedSince.empty())
    lines << QStringLiteral("Left alone %1 records that changed since:")
                 .arg(report.changedSince.size());
  for (const auto& skipped : report.changedSince)
    lines << QStringLiteral("  %1: %2").arg(WhereText(skipped.entry), FoundText(skipped));
  if (!report.failed.empty())
    lines << QStringLiteral("Could not put back %1 values:").arg(report.failed.size());
  for (const auto& failure : report.failed)
    lines << QStringLiteral("  %1: %2")
                 .arg(WhereText(failure.entry), QString::fromStdString(failure.description));
  refreshPreview();
  Main::ShowMessageBox(messageBoxes(), {.title = {},
                                        .text = lines.join(QLatin1Char('\r')),
                                        .icon = Main::MessageIcon::None,
                                        .buttons = Main::MessageButtons::Ok});
}

void Form2::Text1_Change() {
  try {
    settings_.write(Main::kNameExceptionsKey, Text1().text());
  } catch (...) {
    Main::ShowApplicationError(messageBoxes(), Main::DescriptionOf(std::current_exception()),
                               QStringLiteral("in Casewick2021/08/31.Form2.Text1_Change "), 100);
  }
}

void Form2::nameDatabase() {
  const QString path = QString::fromStdU16String(boxes_.databasePath());
  if (path.isEmpty()) return;
  const QFileInfo file(path);
  setWindowTitle(QStringLiteral("Caseloom - ") + file.fileName());
  setToolTip(QDir::toNativeSeparators(file.absoluteFilePath()));
  setWindowFilePath(file.absoluteFilePath());
}

void Form2::showEvent(QShowEvent* event) {
  nameDatabase();
  QWidget::showEvent(event);
}

void Form2::PushButton5_Click() {
  Main::Trap trap("in Casewick2021/08/31.Form2.PushButton5_Click ", messageBoxes());
  QString lines[4];
  trap(100, [&] { lines[0] = kHelpLines[0]; });
  trap(102, [&] { lines[1] = kHelpLines[1]; });
  trap(104, [&] { lines[2] = kHelpLines[2]; });
  trap(106, [&] { lines[3] = kHelpLines[3]; });
  trap(108, [&] {
    const QString cr2 = QStringLiteral("\r\r");
    Main::ShowMessageBox(messageBoxes(),
                         {.title = {},
                          .text = lines[0] + cr2 + lines[1] + cr2 + lines[2] + cr2 + lines[3],
                          .icon = Main::MessageIcon::None,
                          .buttons = Main::MessageButtons::Ok});
  });
}

namespace {

// The user's own clicks on a list have no trap above them: a failure is
// reported under the handler's name and the pointer set back.
template <class Body>
void UserClick(Form2& window, const char* location, Body&& body) {
  try {
    body();
  } catch (...) {
    Main::ShowApplicationError(window.messageBoxes(), Main::DescriptionOf(std::current_exception()),
                               QString::fromUtf8(location), 100);
    window.setPointer(Main::kMousePointerDefault);
  }
}

}  // namespace

void Form2::ListView1_Click() {
  if (runUnderWay_) return;
  UserClick(*this, "in Casewick2021/08/31.Form2.ListView1_Click ",
            [&] { Access::ListView1_Click(*this, boxes_); });
}

void Form2::ListView2_Click() {
  if (runUnderWay_) return;
  UserClick(*this, "in Casewick2021/08/31.Form2.ListView2_Click ",
            [&] { Access::ListView2_Click(*this, boxes_); });
}

void Form2::Form_MouseMove() { pointer_.hover(Main::kMousePointerDefault); }
void Form2::ListView1_MouseMove() { pointer_.hover(Main::kMousePointerDefault); }
void Form2::ListView2_MouseMove() { pointer_.hover(Main::kMousePointerDefault); }
void Form2::ListView3_MouseMove() { pointer_.hover(Main::kMousePointerDefault); }
void Form2::Frame1_MouseMove() { pointer_.hover(Main::kMousePointerDefault); }
void Form2::PushButton1_MouseMove() { pointer_.hover(Main::kMousePointerCustom); }
void Form2::PushButton2_MouseMove() { pointer_.hover(Main::kMousePointerCustom); }
void Form2::PushButton3_MouseMove() { pointer_.hover(Main::kMousePointerCustom); }
void Form2::PushButton4_MouseMove() { pointer_.hover(Main::kMousePointerCustom); }
void Form2::PushButton5_MouseMove() { pointer_.hover(Main::kMousePointerCustom); }

Access::ListControl& Form2::tableList() { return ListView1(); }
Access::ListControl& Form2::fieldList() { return ListView2(); }
Access::ListControl& Form2::previewList() { return ListView3(); }

void Form2::serveEvents() { QCoreApplication::processEvents(); }

std::u16string Form2::caseListText() const { return Combo1().currentText().toStdU16String(); }

void Form2::setProgressValue(double value) {
  ProgressBar1().setValue(qBound(0, qRound(value), 100));
}

void Form2::setProgressCaption(const std::u16string& caption) {
  ProgressBar1().setCaption(QString::fromStdU16String(caption));
}

void Form2::refreshPreview() { Access::ListView2_Click(*this, boxes_); }

void Form2::closeEvent(QCloseEvent* event) {
  event->accept();
  program_.end();
}

Controls::ReportList& Form2::ListView1() const { return *ui_->ListView1; }
Controls::ReportList& Form2::ListView2() const { return *ui_->ListView2; }
Controls::ReportList& Form2::ListView3() const { return *ui_->ListView3; }
QComboBox& Form2::Combo1() const { return *ui_->Combo1; }
QGroupBox& Form2::Frame1() const { return *ui_->Frame1; }
Controls::ProgressBar& Form2::ProgressBar1() const { return *ui_->ProgressBar1; }
Controls::PushButton& Form2::PushButton1() const { return *ui_->PushButton1; }
Controls::PushButton& Form2::PushButton2() const { return *ui_->PushButton2; }
Controls::PushButton& Form2::PushButton3() const { return *ui_->PushButton3; }
Controls::PushButton& Form2::PushButton4() const { return *ui_->PushButton4; }
Controls::PushButton& Form2::PushButton5() const { return *ui_->PushButton5; }
Controls::PushButton& Form2::PushButton6() const { return *ui_->PushButton6; }
Controls::PushButton& Form2::PushButton7() const { return *ui_->PushButton7; }
Controls::ReportList& Form2::ListView4() const { return *ui_->ListView4; }
QGroupBox& Form2::Frame2() const { return *ui_->Frame2; }
Controls::TextBox& Form2::Text1() const { return *ui_->Text1; }
