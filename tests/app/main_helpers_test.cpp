#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/main/application_title.h"
#include "app/main/file_exists.h"
#include "app/main/message_box.h"
#include "support/message_recorder.h"
#include "support/shared_dir.h"

namespace {

TEST(ApplicationTitle, NameWithoutBlankKeepsWholeName) {
  EXPECT_EQ(Main::ShortenedApplicationTitle("Caseloom"), "Caseloom");
}

TEST(ApplicationTitle, CutsLastWordAtLeastOnce) {
  EXPECT_EQ(Main::ShortenedApplicationTitle("Case Tool"), "Case");
  EXPECT_EQ(Main::ShortenedApplicationTitle("A B C"), "A B");
}

TEST(ApplicationTitle, CutsAgainWhileLongerThanForty) {
  // 45 characters whose last word has 7 letters: one cut leaves 37.
  const QString name = QString(37, 'x') + " abcdefg";
  ASSERT_EQ(name.size(), 45);
  EXPECT_EQ(Main::ShortenedApplicationTitle(name), QString(37, 'x'));
  const QString words = "aaaaaaaaaa bbbbbbbbbb cccccccccc dddddddddd eeeeeeeeee";
  EXPECT_EQ(Main::ShortenedApplicationTitle(words), "aaaaaaaaaa bbbbbbbbbb cccccccccc");
}

TEST(ApplicationTitle, UntitledBoxesCarryTheTitleTheStartUpSets) {
  testsupport::MessageRecorder boxes;
  boxes.setApplicationTitle(QStringLiteral("Other"));
  Main::SetApplicationTitle(boxes);
  EXPECT_EQ(boxes.applicationTitle(), "Caseloom");
  Main::ShowMessageBox(boxes, {.title = {}, .text = QStringLiteral("hello")});
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].title, "Caseloom");
}

TEST(FileExists, TrueOnlyForReadableFiles) {
  testsupport::TempDir dir;
  const QString path = QString::fromStdString((dir.path() / "a.mdb").string());
  EXPECT_FALSE(Main::FileExists(path));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_TRUE(Main::FileExists(path));
  EXPECT_FALSE(Main::FileExists(""));
  EXPECT_FALSE(Main::FileExists(path + "/x"));
}

}  // namespace
