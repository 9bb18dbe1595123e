#include "app/main/file_exists.h"

#include <QDateTime>
#include <QFileInfo>

namespace Main {

bool FileExists(const QString& path) noexcept {
  try {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
  } catch (...) {
    return false;
  }
}

}  // namespace Main
