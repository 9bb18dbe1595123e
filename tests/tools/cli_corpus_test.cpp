// caseloom-cli's tables, fields and preview on every corpus file, compared
// with the expected contents that two independent readers agreed on.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "engine/support/corpus_expected.h"
#include "support/shared_dir.h"

namespace {

struct CliResult {
  int exitCode;
  QJsonArray items;
  QString errors;
};

CliResult runCli(QStringList arguments, const QString& password) {
  if (!password.isEmpty()) arguments << "--password" << password;
  arguments << "--json";
  QProcess process;
  process.start(CASELOOM_CLI, arguments);
  process.waitForFinished(120000);
  return {process.exitCode(), QJsonDocument::fromJson(process.readAllStandardOutput()).array(),
          QString::fromUtf8(process.readAllStandardError())};
}


TEST(CliOnCorpus, TablesFieldsAndPreviewAgreeWithExpectedFiles) {
  SKIP_WITHOUT_CORPUS();
  const QDir corpus(QString::fromStdString(testsupport::corpusDir()->string()));
  const QStringList files = corpus.entryList({"*.mdb", "*.accdb"}, QDir::Files, QDir::Name);
  ASSERT_FALSE(files.isEmpty());
  for (const QString& file : files) {
    SCOPED_TRACE(file.toStdString());
    const QJsonObject expected = enginetest::expectedFor(file.toStdString());
    const QString path = corpus.filePath(file);
    const QString password = expected["password"].toString();
    const CliResult tables = runCli({"tables", path}, password);
    ASSERT_EQ(tables.exitCode, 0) << tables.errors.toStdString();

    // Local tables without a system flag, hidden ones included, by name.
    QStringList wanted;
    for (const auto& entry : expected["catalogue"].toArray()) {
      const QJsonObject e = entry.toObject();
      if (e["msysobjects_type"].toInt() == 1 && !e["is_system"].toBool())
        wanted << e["name"].toString();
    }
    QStringList listed;
    for (const auto& name : tables.items) listed << name.toString();
    QStringList sortedWanted = wanted;
    std::sort(sortedWanted.begin(), sortedWanted.end(), [](const QString& a, const QString& b) {
      return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(listed.join('|').toStdString(), sortedWanted.join('|').toStdString());

    for (const auto& tableEntry : expected["tables"].toArray()) {
      const QJsonObject table = tableEntry.toObject();
      const QString name = table["name"].toString();
      if (!listed.contains(name)) continue;
      SCOPED_TRACE(name.toStdString());
      const CliResult fields = runCli({"fields", path, name}, password);
      ASSERT_EQ(fields.exitCode, 0) << fields.errors.toStdString();
      const QJsonArray columns = table["columns"].toArray();
      ASSERT_EQ(fields.items.size(), columns.size());
      const QJsonArray rows = table["rows"].toArray();
      for (qsizetype c = 0; c < columns.size(); ++c) {
        const QJsonObject column = columns[c].toObject();
        EXPECT_EQ(fields.items[c].toString().toStdString(),
                  column["name"].toString().toStdString());
        const int jetType = column["jet_type_code"].toInt();
        if (jetType != 10 && jetType != 12) continue;  // text and memo shown as stored
        const CliResult preview =
            runCli({"preview", path, name, column["name"].toString()}, password);
        ASSERT_EQ(preview.exitCode, 0) << preview.errors.toStdString();
        ASSERT_EQ(preview.items.size(), std::min<qsizetype>(rows.size(), 100));
        // The engine reads rows in the order of their header slots, as Jet
        // does; the expected files list a row that overflowed where its
        // bytes lie. So whole small tables are compared as sets of values.
        QStringList shown, wantedValues;
        for (qsizetype r = 0; r < preview.items.size(); ++r) {
          shown << preview.items[r].toString();
          const QJsonValue cell = rows[r].toArray()[c];
          wantedValues << (cell.isNull() ? QString() : cell.toString());
        }
        if (rows.size() <= 100) {
          shown.sort();
          wantedValues.sort();
        }
        EXPECT_EQ(shown.join(QChar(0x1F)).toStdString(),
                  wantedValues.join(QChar(0x1F)).toStdString())
            << "column " << column["name"].toString().toStdString();
      }
    }
  }
}

}  // namespace
