#include "run/undo_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "support/shared_dir.h"

namespace {

QDateTime At(int day, int second = 0) {
  return QDateTime(QDate(2024, 5, 1), QTime(9, 30), Qt::UTC).addDays(day).addSecs(second);
}

void Touch(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

class UndoStoreTest : public testing::Test {
 protected:
  QString folder() const { return QString::fromStdString((dir_.path() / "Undo").string()); }
  QString database(const char* relative) const {
    return QString::fromStdString((dir_.path() / relative).string());
  }
  testsupport::TempDir dir_;
};

TEST_F(UndoStoreTest, NamesFilesAfterTheDatabaseAndTheTime) {
  const Run::UndoStore store(folder());
  const QString file = store.newFile(database("data/Customers.accdb"), At(0));
  EXPECT_TRUE(QDir(folder()).exists());
  const QString name = QFileInfo(file).fileName();
  EXPECT_TRUE(name.startsWith("Customers.accdb-")) << name.toStdString();
  EXPECT_TRUE(name.endsWith("-20240501T093000.000Z.undo")) << name.toStdString();
  // Two databases of one name in different folders stay apart.
  EXPECT_NE(QFileInfo(store.newFile(database("other/Customers.accdb"), At(0))).fileName(), name);
}

TEST_F(UndoStoreTest, TheLastRunIsTheNewestFileOfThatDatabase) {
  const Run::UndoStore store(folder());
  const QString a = database("a.mdb"), b = database("b.mdb");
  EXPECT_FALSE(store.lastRunOf(a));
  Touch(store.newFile(a, At(0)));
  Touch(store.newFile(a, At(1)));
  Touch(store.newFile(b, At(2)));
  EXPECT_EQ(store.lastRunOf(a), store.newFile(a, At(1)));
  EXPECT_EQ(store.lastRunOf(b), store.newFile(b, At(2)));
}

TEST_F(UndoStoreTest, KeepsTheNewestTenOfEachDatabaseForThirtyDays) {
  const Run::UndoStore store(folder());
  const QString a = database("a.mdb"), b = database("b.mdb");
  for (int run = 0; run < 12; ++run) Touch(store.newFile(a, At(20, run)));
  Touch(store.newFile(b, At(0)));               // 31 days before the prune: removed
  Touch(store.newFile(b, At(2)));               // 29 days: kept
  Touch(QDir(folder()).filePath("notes.txt"));  // not ours: left alone
  store.prune(At(31));
  const QStringList left = QDir(folder()).entryList(QDir::Files, QDir::Name);
  EXPECT_EQ(left.size(), 12);
  EXPECT_TRUE(left.contains("notes.txt"));
  EXPECT_FALSE(QFile::exists(store.newFile(a, At(20, 0))));
  EXPECT_FALSE(QFile::exists(store.newFile(a, At(20, 1))));
  EXPECT_TRUE(QFile::exists(store.newFile(a, At(20, 2))));
  EXPECT_FALSE(QFile::exists(store.newFile(b, At(0))));
  EXPECT_TRUE(QFile::exists(store.newFile(b, At(2))));
}

}  // namespace
