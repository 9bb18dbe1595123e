#include "app/start_up.h"

#include <QDesktopServices>
#include <QUrl>

#include "app/apply_skin.h"
#include "app/frame/cursor_file.h"
#include "app/frame/program.h"
#include "app/frame/program_icon.h"
#include "app/frame/settings_store.h"
#include "app/main/application_title.h"
#include "app/main/file_exists.h"
#include "app/main/trap.h"
#include "db/odbc_provider.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/text_box.h"

namespace Main {

void OpenPageInBrowser(const QString& url) { QDesktopServices::openUrl(QUrl(url)); }

StartUpOutcome Form_Load(Form1& form1, const OpenPage& openPage) {
  Trap trap("in Casewick2021/08/31.Form1.Form_Load ", form1.messageBoxes());
  trap(100, [&] { ApplySkin(form1); });
  // Three statements on one line share its label; each failure is reported
  // and the next of them follows.
  trap(106, [&] { form1.setWindowTitle(kProductName); });
  trap(106, [&] { form1.setWindowIcon(ProgramIcon()); });
  trap(106, [&] { SetApplicationTitle(form1.messageBoxes()); });
  const QString handPointer = form1.program().folderFile(QStringLiteral("/HAND-M.CUR"));
  if (trap.when(124, [&] { return FileExists(handPointer); }))
    trap(126, [&] { form1.mousePointer().setMouseIcon(LoadCursorFile(handPointer)); });
  trap(128, [&] { form1.Text1().setText(form1.settings().read(kDatabasePathKey)); });
  trap(130, [&] { form1.Text2().setText(form1.settings().read(kPasswordKey)); });
  if (trap.when(138, [&] { return !ODBCProvider::CheckAccessProvider(form1, openPage); })) {
    form1.program().end();
    return StartUpOutcome::ProgramEnded;
  }
  if (trap.when(132, [&] { return !form1.Text1().text().isEmpty(); }))
    if (trap.when(134, [&] { return FileExists(form1.Text1().text()); }))
      trap(136, [&] { form1.PushButton2_Click(); });
  const Form2* form2 = form1.existingForm2();
  return form2 && form2->isVisible() && form1.isHidden() ? StartUpOutcome::HandedOver
                                                         : StartUpOutcome::ShowForm1;
}

StartUpOutcome StartProgram(Form1& form1, const OpenPage& openPage) {
  const StartUpOutcome outcome = Form_Load(form1, openPage);
  if (outcome == StartUpOutcome::ShowForm1) form1.show();
  return outcome;
}

}  // namespace Main
