#include "app/frame/program_icon.h"

// Resources of a static library are registered by hand, once.
static void registerIconResources() { Q_INIT_RESOURCE(caseloom_icons); }

namespace Main {

QIcon ProgramIcon() {
  static const bool registered = (registerIconResources(), true);
  (void)registered;
  QIcon icon;
  for (int size : {32, 48, 128, 256})
    icon.addFile(QStringLiteral(":/icons/caseloom-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace Main
