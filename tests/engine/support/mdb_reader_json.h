#pragma once

// mdb-reader's view of a file, read with Qt's JSON (the tests that need Qt).

#include <QJsonArray>
#include <QJsonObject>
#include <filesystem>
#include <string>

namespace createtest {

// {"name": {"columns": [...], "rows": [[...]]}}.
QJsonObject mdbReaderTables(const std::filesystem::path& file, const std::string& password = {});

}  // namespace createtest
