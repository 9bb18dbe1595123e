#pragma once

// caseloom-cli run as a child process, as a user or a script runs it.

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <filesystem>

namespace clitest {

struct CliResult {
  int exitCode = -1;
  QByteArray output;  // standard output
  QString errors;     // standard error
  QJsonObject json() const;
};

// Runs caseloom-cli with `arguments`, `input` on its standard input and no
// $CASELOOM_PASSWORD unless `environment` sets one.
CliResult runCli(const QStringList& arguments, const QByteArray& input = {},
                 const QProcessEnvironment& environment = {});

QString q(const std::filesystem::path& path);

}  // namespace clitest
