#include "ui/form1.h"

#include <QCloseEvent>
#include <exception>
#include <optional>
#include <vector>

#include "app/frame/form_colors.h"
#include "app/frame/program.h"
#include "app/frame/settings_store.h"
#include "app/main/error_report.h"
#include "app/main/trap.h"
#include "db/access.h"
#include "ui/form2.h"
#include "ui/sample_database.h"
#include "ui/window_frame.h"
#include "ui_form1.h"

namespace {

// A failure in a handler without a trap of its own is reported under the
// handler's name, and the program goes on.
template <class Body>
void Untrapped(Main::MessageBoxSeam& boxes, const char* location, Body&& body) {
  try {
    body();
  } catch (...) {
    Main::ShowApplicationError(boxes, Main::DescriptionOf(std::current_exception()),
                               QString::fromUtf8(location), 100);
  }
}

}  // namespace

Form1::Form1(Main::SettingsStore& settings, const WindowSeams& seams)
    : ui_(std::make_unique<Ui::Form1>()), settings_(settings), seams_(seams), pointer_(*this) {
  ui_->setupUi(this);
  Controls::MakeFixedWindow(*this, 8040, 2085);
  setFont(Controls::ControlFont());
  Main::PaintWindowAndFrames(*this, Main::DesignBackgroundColour());
  Text2().MaskWithAsterisks();

  connect(&PushButton1(), &QPushButton::clicked, this, [this] { PushButton1_Click(); });
  connect(&PushButton2(), &QPushButton::clicked, this, [this] { PushButton2_Click(); });
  connect(&PushButton3(), &QPushButton::clicked, this, [this] { PushButton3_Click(); });
  connect(&Text1(), &QLineEdit::textChanged, this, [this] { Text1_Change(); });
  connect(&Text2(), &QLineEdit::textChanged, this, [this] { Text2_Change(); });
  // Enter in either box presses "Next >".
  connect(&Text1(), &QLineEdit::returnPressed, this, [this] { PushButton2().click(); });
  connect(&Text2(), &QLineEdit::returnPressed, this, [this] { PushButton2().click(); });
  // Queued: a click that gives the focus places the cursor afterwards, and
  // the selection must come last.
  connect(
      &Text1(), &Controls::TextBox::gotFocus, this, [this] { Text1_GotFocus(); },
      Qt::QueuedConnection);
  connect(
      &Text2(), &Controls::TextBox::gotFocus, this, [this] { Text2_GotFocus(); },
      Qt::QueuedConnection);

  Main::OnMouseMove(*this, [this] { Form_MouseMove(); });
  Main::OnMouseMove(Frame1(), [this] { Frame1_MouseMove(); });
  Main::OnMouseMove(Text1(), [this] { Text1_MouseMove(); });
  Main::OnMouseMove(Text2(), [this] { Text2_MouseMove(); });
  Main::OnMouseMove(PushButton1(), [this] { PushButton1_MouseMove(); });
  Main::OnMouseMove(PushButton2(), [this] { PushButton2_MouseMove(); });
  Main::OnMouseMove(PushButton3(), [this] { PushButton3_MouseMove(); });
  Text1().setFocus();
}

Form1::~Form1() = default;

std::u16string Form1::databasePath() const { return Text1().text().toStdU16String(); }

std::u16string Form1::password() const { return Text2().text().toStdU16String(); }

Form2& Form1::form2() {
  if (!form2_) {
    form2_ = std::make_unique<Form2>(*this, *this, settings_, seams_.program);
    form2_->Form_Load();
    skin_.WindowCreated(*form2_);
  }
  return *form2_;
}

void Form1::PushButton1_Click() {
  Main::Trap trap("in Casewick2021/08/31.Form1.PushButton1_Click ", messageBoxes());
  trap(100, [&] { CommonDialog1.FileName.clear(); });
  trap(102, [&] { CommonDialog1.Flags = kDialogFlags; });
  trap(104, [&] { CommonDialog1.DialogTitle = kSelectDatabaseTitle; });
  trap(106, [&] { CommonDialog1.Filter = kDatabaseFilter; });
  trap(108, [&] { CommonDialog1.ShowOpen(seams_.fileDialog, this); });
  if (trap.when(110, [&] { return !CommonDialog1.FileName.isEmpty(); }))
    trap(112, [&] { Text1().setText(CommonDialog1.FileName); });
}

void Form1::PushButton2_Click() {
  // While a run is under way the table list it reads stays as it is.
  if (form2_ && form2_->runUnderWay()) return;
  Main::Trap trap("in Casewick2021/08/31.Form1.PushButton2_Click ", messageBoxes());
  std::optional<std::vector<std::u16string>> tables;
  trap(100, [&] { tables = Access::GetAccessTables(databasePath(), *this); });
  if (trap.when(102, [&] { return !tables.has_value(); })) {
    trap(104, [&] { tables.reset(); });
    return;
  }
  trap(106, [&] {
    Access::AddTablesToAccessListbox(*this,
                                     [this]() -> Access::ChangeCaseLists& { return form2(); });
  });
  trap(108, [&] {
    form2().show();
    form2().activateWindow();
  });
  trap(110, [&] { hide(); });
}

void Form1::PushButton3_Click() {
  Main::Trap trap("in Casewick2021/08/31.Form1.PushButton3_Click ", messageBoxes());
  trap(100, [&] { Text1().setText(Controls::SampleDatabasePath(seams_.program)); });
}

void Form1::Text1_Change() {
  Untrapped(messageBoxes(), "in Casewick2021/08/31.Form1.Text1_Change ",
            [&] { settings_.write(Main::kDatabasePathKey, Text1().text()); });
}

void Form1::Text2_Change() {
  Untrapped(messageBoxes(), "in Casewick2021/08/31.Form1.Text2_Change ",
            [&] { settings_.write(Main::kPasswordKey, Text2().text()); });
}

void Form1::Text1_GotFocus() { Text1().setSelection(0, static_cast<int>(Text1().text().size())); }

void Form1::Text2_GotFocus() { Text2().setSelection(0, static_cast<int>(Text2().text().size())); }

void Form1::Form_MouseMove() { pointer_.hover(Main::kMousePointerDefault); }
void Form1::Frame1_MouseMove() { pointer_.hover(Main::kMousePointerDefault); }
void Form1::Text1_MouseMove() { pointer_.hover(Main::kMousePointerDefault); }
void Form1::Text2_MouseMove() { pointer_.hover(Main::kMousePointerDefault); }
void Form1::PushButton1_MouseMove() { pointer_.hover(Main::kMousePointerCustom); }
void Form1::PushButton2_MouseMove() { pointer_.hover(Main::kMousePointerCustom); }
void Form1::PushButton3_MouseMove() { pointer_.hover(Main::kMousePointerCustom); }

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  seams_.program.end();
}

Controls::TextBox& Form1::Text1() const { return *ui_->Text1; }
Controls::TextBox& Form1::Text2() const { return *ui_->Text2; }
QGroupBox& Form1::Frame1() const { return *ui_->Frame1; }
QLabel& Form1::Label5() const { return *ui_->Label5; }
QLabel& Form1::lblPassword() const { return *ui_->lblPassword; }
Controls::PushButton& Form1::PushButton1() const { return *ui_->PushButton1; }
Controls::PushButton& Form1::PushButton2() const { return *ui_->PushButton2; }
Controls::PushButton& Form1::PushButton3() const { return *ui_->PushButton3; }
