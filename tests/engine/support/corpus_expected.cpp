#include "engine/support/corpus_expected.h"

#include <QFile>
#include <QJsonDocument>
#include <stdexcept>

#include "support/shared_dir.h"

namespace enginetest {

QJsonObject expectedFor(const std::string& name) {
  QFile file(
      QString::fromStdString((*testsupport::corpusDir() / "expected" / (name + ".json")).string()));
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read expected " + name);
  return QJsonDocument::fromJson(file.readAll()).object();
}

}  // namespace enginetest
