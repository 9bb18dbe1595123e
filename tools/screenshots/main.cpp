// Captures the two windows as the program shows them, for the README:
//
//   caseloom-screenshots OUTPUT_FOLDER [DATABASE [PASSWORD [FIELD [CASE]]]]
//
// It starts the program as usual, with the files of the build's program
// folder and a settings store of its own (so the user's settings stay
// untouched), saves form1.png with the database named, then opens it with
// "Next >" (which shows the first table's fields), clicks FIELD when given,
// chooses the case list's entry CASE and presses "Preview Changes" when
// given, and saves form2.png. Message boxes go to standard error. Run it under a
// display, e.g. xvfb-run.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "ado/factory.h"
#include "app/frame/program.h"
#include "app/frame/settings_store.h"
#include "app/main/message_box.h"
#include "app/start_up.h"
#include "ui/common_dialog.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/report_list.h"
#include "ui/text_box.h"

namespace {

void settle() {
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

bool save(QWidget& window, const QString& file) {
  settle();
  if (!window.grab().save(file)) {
    std::fprintf(stderr, "caseloom-screenshots: cannot write %s\n", qPrintable(file));
    return false;
  }
  return true;
}

// The program as built, with the hand pointer and the sample beside it.
class BuildProgram final : public Main::Program {
 public:
  QString folder() const override { return QStringLiteral(CASELOOM_BUILD_PROGRAM_DIR); }
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(
        stderr, "usage: caseloom-screenshots OUTPUT_FOLDER [DATABASE [PASSWORD [FIELD [CASE]]]]\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  QTemporaryDir settingsFolder;

  Main::SettingsStore settings(settingsFolder.filePath(QStringLiteral("Brindlecove.ini")));
  // Boxes go to standard error: nothing may wait for a click here.
  const ado::Factory components{};
  Main::StandardErrorBoxes messageBoxes;
  Controls::QtFileDialog fileDialog;
  BuildProgram program;
  Form1 form1(settings, {components, messageBoxes, fileDialog, program});
  Main::StartProgram(form1, [](const QString&) {});
  if (argc >= 3) form1.Text1().setText(QString::fromLocal8Bit(argv[2]));
  if (argc >= 4) form1.Text2().setText(QString::fromLocal8Bit(argv[3]));
  form1.show();
  if (!save(form1, out + QStringLiteral("/form1.png"))) return 1;

  if (argc >= 3) form1.PushButton2_Click();
  Form2& form2 = form1.form2();
  if (argc >= 5) {
    const QString field = QString::fromLocal8Bit(argv[4]);
    Controls::ReportList& fields = form2.ListView2();
    for (int i = 0; i < fields.topLevelItemCount(); ++i)
      if (fields.topLevelItem(i)->text(0) == field) {
        fields.setCurrentItem(fields.topLevelItem(i));
        form2.ListView2_Click();
      }
  }
  if (argc >= 6) {
    form2.Combo1().setCurrentIndex(form2.Combo1().findText(QString::fromLocal8Bit(argv[5])));
    form2.PushButton6_Click();
  }
  form2.show();
  if (!save(form2, out + QStringLiteral("/form2.png"))) return 1;
  return 0;
}
