#include "cli_run.h"

#include <QJsonDocument>
#include <QProcess>

namespace clitest {

QJsonObject CliResult::json() const { return QJsonDocument::fromJson(output).object(); }

CliResult runCli(const QStringList& arguments, const QByteArray& input,
                 const QProcessEnvironment& environment) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("CASELOOM_PASSWORD");
  env.insert("TZ", "UTC");
  for (const QString& key : environment.keys()) env.insert(key, environment.value(key));
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(CASELOOM_CLI, arguments);
  process.waitForStarted();
  process.write(input);
  process.closeWriteChannel();
  process.waitForFinished(300000);
  QByteArray output = process.readAllStandardOutput();
  QByteArray errors = process.readAllStandardError();
#ifdef _WIN32
  // A Windows console program ends its lines in CR LF; the tests compare lines.
  output.replace("\r\n", "\n");
  errors.replace("\r\n", "\n");
#endif
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, output,
          QString::fromUtf8(errors)};
}

QString q(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace clitest
