#include "app/main/local_time_zone.h"

#include <QByteArray>
#include <QtGlobal>

namespace Main {

void PinLocalTimeZone() {
#if defined(Q_OS_LINUX)
  if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
#endif
}

}  // namespace Main
