#include "engine/support/mdb_reader_json.h"

#include <QJsonDocument>

#include "engine/support/create_test_readers.h"

namespace createtest {

QJsonObject mdbReaderTables(const std::filesystem::path& file, const std::string& password) {
  auto document =
      QJsonDocument::fromJson(QByteArray::fromStdString(mdbReaderOutput(file, password)));
  return document.object().value("tables").toObject();
}

}  // namespace createtest
