// caseloom-cli convert on copies of real Access files; then two independent
// readers, mdb-reader and mdbtools, read back the converted values (mdbtools
// only where it can: it cannot decipher encrypted .accdb files).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include "support/shared_dir.h"

namespace {

QByteArray run(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("TZ", "UTC");
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  process.waitForFinished(300000);
  if (exitCode) *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  return process.readAllStandardOutput();
}

bool toolMissing(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  return !process.waitForStarted(10000) || !process.waitForFinished(60000);
}

// What the CLI's own preview shows for a field: its first 100 values.
QStringList preview(const QString& file, const QString& table, const QString& field,
                    const QString& password) {
  QStringList values;
  for (const auto& v :
       QJsonDocument::fromJson(
           run(CASELOOM_CLI, {"preview", file, table, field, "--json", "--password", password}))
           .array())
    values << v.toString();
  return values;
}

QStringList fields(const QString& file, const QString& table, const QString& password) {
  QStringList names;
  for (const auto& v : QJsonDocument::fromJson(run(CASELOOM_CLI, {"fields", file, table, "--json",
                                                                  "--password", password}))
                           .array())
    names << v.toString();
  return names;
}

bool hasLowerAsciiLetter(const QString& text) {
  for (QChar c : text)
    if (c >= 'a' && c <= 'z') return true;
  return false;
}

TEST(CliConvertOnCorpus, IndependentReadersSeeTheConvertedValues) {
  SKIP_WITHOUT_CORPUS();
  const QString readScript = QString(CASELOOM_SOURCE_DIR) + "/tools/reader/read.mjs";
  if (!QFile::exists(QString(CASELOOM_SOURCE_DIR) + "/tools/reader/node_modules/mdb-reader"))
    GTEST_SKIP() << "mdb-reader is not installed (tools/setup.sh installs it)";
  if (toolMissing("mdb-export", {"--version"})) GTEST_SKIP() << "mdbtools is not installed";

  const QDir corpus(QString::fromStdString(testsupport::corpusDir()->string()));
  const QString scratch = QDir::tempPath() + "/caseloom-convert-" + QString::number(QCoreApplication::applicationPid());
  QDir().mkpath(scratch);
  // Files of each format whose text can all be changed.
  // Files of each format and cipher whose text can all be changed, with their passwords.
  const QList<std::pair<QString, QString>> files = {
      {"testV1997.mdb", ""},
      {"indexTestV2003.mdb", ""},
      {"jackcessencrypt-db-enc.mdb", ""},
      {"testV2007.accdb", ""},
      {"mdbreader-real-ASampleDatabase.accdb", ""},
      {"test2V2010.accdb", ""},
      {"mdbreader-encryption-office-agile-4.2.accdb", "password"},
      {"mdbreader-encryption-office-agile-4.4.accdb", "password"}};
  for (const auto& [name, password] : files) {
    SCOPED_TRACE(name.toStdString());
    const bool mdbtoolsReads = !name.contains("encryption-office");
    const QString copy = scratch + "/" + name;
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(corpus.filePath(name), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    const QJsonObject before =
        QJsonDocument::fromJson(run("node", {readScript, copy, password})).object();
    const QJsonObject tables = before["tables"].toObject();
    for (const QString& table : tables.keys()) {
      if (table.startsWith("~")) continue;
      QStringList arguments = {"convert", copy, table};
      arguments << fields(copy, table, password);
      arguments << "--case"
                << "upper"
                << "--password" << password;
      int exitCode = -1;
      run(CASELOOM_CLI, arguments, &exitCode);
      EXPECT_EQ(exitCode, 0) << table.toStdString();
    }
    const QJsonObject after =
        QJsonDocument::fromJson(run("node", {readScript, copy, password})).object();
    int changed = 0;
    for (const QString& table : tables.keys()) {
      if (table.startsWith("~")) continue;
      const QJsonObject b = tables[table].toObject();
      const QJsonObject a = after["tables"].toObject()[table].toObject();
      const QJsonArray beforeRows = b["rows"].toArray(), afterRows = a["rows"].toArray();
      ASSERT_EQ(beforeRows.size(), afterRows.size());
      for (qsizetype r = 0; r < beforeRows.size(); ++r)
        for (qsizetype c = 0; c < beforeRows[r].toArray().size(); ++c) {
          const QJsonValue old = beforeRows[r].toArray()[c];
          const QJsonValue now = afterRows[r].toArray()[c];
          if (!old.isString() ||
              QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT").match(old.toString()).hasMatch()) {
            EXPECT_EQ(old, now);  // numbers, dates, binary and nulls are left alone
            continue;
          }
          // Every text is upper case now, as mdb-reader reads it.
          EXPECT_EQ(now.toString().toStdString(), old.toString().toUpper().toStdString())
              << table.toStdString() << " row " << r << " column " << c;
          changed += now != old;
        }
      // mdbtools reads the same texts.
      if (!mdbtoolsReads) continue;
      const QString exported = QString::fromUtf8(run("mdb-export", {"-b", "strip", copy, table}));
      EXPECT_FALSE(exported.isEmpty());
      const QStringList lines = exported.split('\n');
      for (qsizetype i = 1; i < lines.size(); ++i) {
        for (const QString& quoted : lines[i].split(',')) {
          if (!quoted.startsWith('"') ||
              quoted.contains(QRegularExpression("^\"\\d\\d/\\d\\d/\\d\\d")))
            continue;
          EXPECT_FALSE(hasLowerAsciiLetter(quoted))
              << table.toStdString() << ": " << quoted.toStdString();
        }
      }
    }
    EXPECT_GT(changed, 0);
    // The program's own preview agrees.
    const QString firstTable = tables.keys().first();
    for (const QString& value :
         preview(copy, firstTable, fields(copy, firstTable, password).first(), password))
      EXPECT_FALSE(hasLowerAsciiLetter(value) && !value.contains(QRegularExpression("\\d/\\d")))
          << value.toStdString();
  }
  QDir(scratch).removeRecursively();
}

}  // namespace
