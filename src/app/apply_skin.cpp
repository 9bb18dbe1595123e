#include "app/apply_skin.h"

#include <QFileInfo>

#include "app/frame/form_colors.h"
#include "app/frame/program.h"
#include "ui/form1.h"

namespace Main {

void ApplySkin(Form1& form1) {
  const QString skinFile = form1.program().folderFile(QStringLiteral("/x/o.cjs"));
  if (!QFileInfo(skinFile).isFile()) return;
  PaintWindowAndFrames(form1, ButtonFaceColour());
  SkinFramework& skin = form1.SkinFramework1();
  skin.LoadSkin(skinFile, QString());
  skin.SetOptions(skin.Options() | SkinFramework::kOptionApplyToWindow);
  skin.SetAutoApplyNewWindows(true);
  skin.SetAutoApplyNewThreads(true);
  skin.ApplyWindow(form1);
}

}  // namespace Main
