#pragma once

// A corpus file's expected JSON, read with Qt (the tests that need Qt).

#include <QJsonObject>
#include <string>

namespace enginetest {

QJsonObject expectedFor(const std::string& name);

}  // namespace enginetest
