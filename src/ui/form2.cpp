#include "ui/form2.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <cstdint>
#include <exception>
#include <limits>

#include "ado/error.h"
#include "app/cursor_file.h"
#include "app/error_report.h"
#include "app/file_exists.h"
#include "app/form_colors.h"
#include "app/message_box.h"
#include "app/program_end.h"
#include "app/program_folder.h"
#include "app/program_icon.h"
#include "app/trap.h"
#include "db/access.h"
#include "run/run_guard.h"
#include "ui/progress_bar.h"
#include "ui/push_button.h"
#include "ui/report_list.h"
#include "ui/window_frame.h"
#include "ui_form2.h"

static_assert(Main::kMousePointerDefault == Access::kPointerDefault);
static_assert(Main::kMousePointerHourglass == Access::kPointerHourglass);
static_assert(Main::kMousePointerCustom == Access::kPointerHand);

Form2::Form2(QWidget& databaseWindow, const Access::DatabaseBoxes& boxes)
    : ui_(std::make_unique<Ui::Form2>()),
      databaseWindow_(databaseWindow),
      boxes_(boxes),
      pointer_(*this) {
  ui_->setupUi(this);
  Controls::MakeFixedWindow(*this, 9240, 8595);
  setFont(Controls::ControlFont());
  Main::PaintWindowAndFrames(*this, Main::DesignBackgroundColour());
  Combo1().setEditable(false);
  ListView1().setSelectionMode(QAbstractItemView::SingleSelection);
  ListView2().setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView3().setSelectionMode(QAbstractItemView::SingleSelection);
  // The run reads the table list, the field list and the field selections.
  ListView1().refuseInputWhile(Run::IsRunUnderWay);
  ListView2().refuseInputWhile(Run::IsRunUnderWay);

  connect(&PushButton1(), &QPushButton::clicked, this, [this] { PushButton1_Click(); });
  connect(&PushButton2(), &QPushButton::clicked, this, [this] { PushButton2_Click(); });
  connect(&PushButton3(), &QPushButton::clicked, this, [this] { PushButton3_Click(); });
  connect(&PushButton4(), &QPushButton::clicked, this, [this] { PushButton4_Click(); });
  connect(&PushButton5(), &QPushButton::clicked, this, [this] { PushButton5_Click(); });
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
}

Form2::~Form2() = default;

void Form2::Form_Load() {
  Main::Trap trap("in Casewick2021/08/31.Form2.Form_Load ");
  trap(100, [&] { Main::SetFormColors(*this); });
  trap(102, [&] { setWindowIcon(Main::ProgramIcon()); });
  const QString handPointer = Main::ProgramFolderFile(QStringLiteral("/HAND-M.CUR"));
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
}

void Form2::PushButton1_Click() {
  if (Run::IsRunUnderWay()) return;  // the database window could start another open
  Main::Trap trap("in Casewick2021/08/31.Form2.PushButton1_Click ");
  trap(100, [&] { databaseWindow_.show(); });
  trap(102, [&] { hide(); });
}

void Form2::selectAllFields(const char* location, bool selected) {
  // While a run is under way it reads these selections.
  if (Run::IsRunUnderWay()) return;
  Main::Trap trap(location);
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

void Form2::PushButton4_Click() {
  if (Run::IsRunUnderWay()) return;
  Run::PushButton4_Click(*this, boxes_, runOptions_);
}

void Form2::PushButton5_Click() {
  Main::Trap trap("in Casewick2021/08/31.Form2.PushButton5_Click ");
  QString lines[4];
  trap(100, [&] { lines[0] = kHelpLines[0]; });
  trap(102, [&] { lines[1] = kHelpLines[1]; });
  trap(104, [&] { lines[2] = kHelpLines[2]; });
  trap(106, [&] { lines[3] = kHelpLines[3]; });
  trap(108, [&] {
    const QString cr2 = QStringLiteral("\r\r");
    Main::ShowMessageBox({.title = {},
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
    Main::ShowApplicationError(Main::DescriptionOf(std::current_exception()),
                               QString::fromUtf8(location), 100);
    window.setPointer(Main::kMousePointerDefault);
  }
}

}  // namespace

void Form2::ListView1_Click() {
  if (Run::IsRunUnderWay()) return;
  UserClick(*this, "in Casewick2021/08/31.Form2.ListView1_Click ",
            [&] { Access::ListView1_Click(*this, boxes_); });
}

void Form2::ListView2_Click() {
  if (Run::IsRunUnderWay()) return;
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
  Main::EndProgram();
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
