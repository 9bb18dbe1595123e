// The shared look: colours, the skin, the hand pointer, the icon and the
// hover rules of both windows.

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>

#include "app/frame/cursor_file.h"
#include "app/frame/form_colors.h"
#include "app/frame/program_icon.h"
#include "app/frame/skin_framework.h"
#include "app/start_up.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/progress_bar.h"
#include "ui/push_button.h"
#include "ui/report_list.h"
#include "ui/text_box.h"
#include "window_fixture.h"

namespace {

const QByteArray kGoodSkin = "QPushButton { color: #123456; } /* a { b } */ QLabel { }\n";

Main::StartUpOutcome start(Form1& form1) {
  return Main::StartProgram(form1, [](const QString&) {});
}

}  // namespace

class LookTest : public QObject {
  Q_OBJECT

 private slots:
  void withoutSkinForm1StaysWhiteAndForm2IsButtonFace() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    start(form1);
    QCOMPARE(Main::BackColor(form1), Main::DesignBackgroundColour());
    QCOMPARE(Main::BackColor(form1.Frame1()), Main::DesignBackgroundColour());
    QCOMPARE(Main::BackColor(form1.Label5()), Main::DesignBackgroundColour());
    QVERIFY(form1.styleSheet().isEmpty());
    Form2& form2 = form1.form2();
    QCOMPARE(Main::BackColor(form2), Main::ButtonFaceColour());
    QVERIFY(fixture.boxes.boxes.empty());
  }

  void setFormColorsLeavesOtherControlsAlone() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    const QColor textBox = Main::BackColor(form1.Text1());
    const QColor buttonFace = form1.PushButton2().palette().color(QPalette::Button);
    const QColor buttonText = form1.PushButton2().palette().color(QPalette::ButtonText);
    Main::SetFormColors(form1);
    QCOMPARE(Main::BackColor(form1), Main::ButtonFaceColour());
    QCOMPARE(Main::BackColor(form1.Frame1()), Main::ButtonFaceColour());
    QCOMPARE(Main::BackColor(form1.lblPassword()), Main::ButtonFaceColour());
    QCOMPARE(Main::BackColor(form1.Text1()), textBox);
    QCOMPARE(form1.PushButton2().palette().color(QPalette::Button), QColor(Qt::white));
    QCOMPARE(form1.PushButton2().palette().color(QPalette::Button), buttonFace);
    QCOMPARE(form1.PushButton2().palette().color(QPalette::ButtonText), buttonText);
    Form2& form2 = form1.form2();
    QCOMPARE(form2.ProgressBar1().palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(Main::BackColor(*form2.ListView1().viewport()), QPalette().color(QPalette::Base));
  }

  void aGoodSkinIsAppliedToForm1() {
    uitest::Fixture fixture;
    QVERIFY(fixture.addProgramFile(QStringLiteral("x/o.cjs"), kGoodSkin));
    Form1 form1(*fixture.settings, fixture.seams());
    start(form1);
    QVERIFY(fixture.boxes.boxes.empty());
    QCOMPARE(Main::BackColor(form1), Main::ButtonFaceColour());
    QCOMPARE(Main::BackColor(form1.Frame1()), Main::ButtonFaceColour());
    QCOMPARE(form1.styleSheet(), QString::fromUtf8(kGoodSkin));
    const Main::SkinFramework& skin = form1.SkinFramework1();
    QVERIFY(skin.Options() & 1);
    QVERIFY(skin.AutoApplyNewWindows());
    QVERIFY(skin.AutoApplyNewThreads());
    // The change-case window, made later, takes the skin too.
    QCOMPARE(form1.form2().styleSheet(), QString::fromUtf8(kGoodSkin));
  }

  void aSkinThatCannotBeLoadedIsReportedOnceAtLabel100() {
    const QByteArray broken[] = {"QPushButton { color: red; ",
                                 "",
                                 "  \n",
                                 "} QLabel {",
                                 "QLabel { color: \"red; }",
                                 "/* never closed"};
    for (const QByteArray& skinText : broken) {
      uitest::Fixture fixture;
      QVERIFY(fixture.addProgramFile(QStringLiteral("x/o.cjs"), skinText));
      Form1 form1(*fixture.settings, fixture.seams());
      QCOMPARE(start(form1), Main::StartUpOutcome::ShowForm1);
      QCOMPARE(fixture.boxes.boxes.size(), size_t{1});
      const auto& report = fixture.boxes.boxes.front();
      QCOMPARE(report.title, QStringLiteral("Application Error"));
      QCOMPARE(report.icon, Main::MessageIcon::Warning);
      QVERIFY(report.text.contains(
          QStringLiteral("\r\nin Casewick2021/08/31.Form1.Form_Load at line 100\r\r")));
      // Repainted before the failure, but not skinned; start-up went on.
      QCOMPARE(Main::BackColor(form1), Main::ButtonFaceColour());
      QVERIFY(form1.styleSheet().isEmpty());
      QCOMPARE(form1.windowTitle(), QStringLiteral("Caseloom"));
      QVERIFY(form1.isVisible());
    }
  }

  void styleSheetCheck() {
    QVERIFY(Main::IsWellFormedStyleSheet("a { b: c; }"));
    QVERIFY(Main::IsWellFormedStyleSheet("a { b: \"}\"; } c { }"));
    QVERIFY(!Main::IsWellFormedStyleSheet("a { b: c; "));
    QVERIFY(!Main::IsWellFormedStyleSheet("a } {"));
    QVERIFY(!Main::IsWellFormedStyleSheet("/* only a comment */"));
  }

  void theHandPointerFileDecodes() {
    QFile file(QStringLiteral(CASELOOM_BUILD_PROGRAM_DIR "/HAND-M.CUR"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const Main::CursorImage cursor = Main::DecodeCursorFile(bytes);
    QCOMPARE(cursor.image.size(), QSize(32, 32));
    QCOMPARE(cursor.hotSpot, QPoint(13, 2));
    QVERIFY(cursor.image.hasAlphaChannel());
    QCOMPARE(qAlpha(cursor.image.pixel(0, 0)), 0);                   // transparent corner
    QCOMPARE(qAlpha(cursor.image.pixel(13, 2)), 255);                // the finger tip
    QCOMPARE(QColor(cursor.image.pixel(14, 5)), QColor(Qt::white));  // inside the finger
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, Main::DecodeCursorFile("not a cursor"));
    QByteArray icon = bytes;
    icon[2] = 1;  // an icon, not a cursor
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, Main::DecodeCursorFile(icon));
  }

  void theIconHasItsFourSizes() {
    const QIcon icon = Main::ProgramIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {32, 48, 128, 256}) QVERIFY(sizes.contains(QSize(size, size)));
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    start(form1);
    QVERIFY(!form1.windowIcon().isNull());
  }

  void hoverOverForm1() {
    uitest::Fixture fixture;
    QVERIFY(fixture.addHandPointer());
    Form1 form1(*fixture.settings, fixture.seams());
    start(form1);
    QVERIFY(form1.mousePointer().hasMouseIcon());
    Main::MousePointer& pointer = form1.mousePointer();
    for (QWidget* button :
         {static_cast<QWidget*>(&form1.PushButton1()), static_cast<QWidget*>(&form1.PushButton2()),
          static_cast<QWidget*>(&form1.PushButton3())}) {
      pointer.set(0);
      uitest::moveOver(*button);
      QCOMPARE(pointer.value(), 99);
      QCOMPARE(form1.cursor().pixmap().size(), QSize(32, 32));
      QCOMPARE(form1.cursor().hotSpot(), QPoint(13, 2));
    }
    for (QWidget* plain :
         {static_cast<QWidget*>(&form1), static_cast<QWidget*>(&form1.Frame1()),
          static_cast<QWidget*>(&form1.Text1()), static_cast<QWidget*>(&form1.Text2())}) {
      pointer.set(99);
      uitest::moveOver(*plain);
      QCOMPARE(pointer.value(), 0);
    }
    // Labels have no handler: the pointer stays as it was.
    pointer.set(99);
    uitest::moveOver(form1.Label5());
    uitest::moveOver(form1.lblPassword());
    QCOMPARE(pointer.value(), 99);
  }

  void hoverOverForm2NeverReplacesTheHourglass() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    Main::MousePointer& pointer = form2.mousePointer();
    QVERIFY(!pointer.hasMouseIcon());  // no HAND-M.CUR beside the program
    QWidget* buttons[] = {&form2.PushButton1(), &form2.PushButton2(), &form2.PushButton3(),
                          &form2.PushButton4(), &form2.PushButton5()};
    QWidget* plain[] = {&form2,
                        form2.ListView1().viewport(),
                        form2.ListView2().viewport(),
                        form2.ListView3().viewport(),
                        form2.ListView1().header(),
                        &form2.Frame1()};
    for (QWidget* button : buttons) {
      form2.setPointer(0);
      uitest::moveOver(*button);
      QCOMPARE(form2.pointer(), 99);
      QCOMPARE(form2.cursor().shape(), Qt::ArrowCursor);
    }
    for (QWidget* widget : plain) {
      form2.setPointer(99);
      uitest::moveOver(*widget);
      QCOMPARE(form2.pointer(), 0);
    }
    // During a run the hourglass stays, whatever the pointer moves over.
    form2.setPointer(11);
    QCOMPARE(form2.cursor().shape(), Qt::WaitCursor);
    for (QWidget* widget : buttons) uitest::moveOver(*widget);
    for (QWidget* widget : plain) uitest::moveOver(*widget);
    QCOMPARE(form2.pointer(), 11);
    // After the run the next move over a button shows the hand again.
    form2.setPointer(0);
    uitest::moveOver(form2.PushButton4());
    QCOMPARE(form2.pointer(), 99);
    // The case list and the progress bar never change the pointer.
    uitest::moveOver(form2.Combo1());
    uitest::moveOver(form2.ProgressBar1());
    QCOMPARE(form2.pointer(), 99);
    form2.setPointer(0);
    uitest::moveOver(form2.Combo1());
    uitest::moveOver(form2.ProgressBar1());
    QCOMPARE(form2.pointer(), 0);
  }

  void form2TakesTheHandPointerWhenPresent() {
    uitest::Fixture fixture;
    QVERIFY(fixture.addHandPointer());
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    QVERIFY(form2.mousePointer().hasMouseIcon());
    uitest::moveOver(form2.PushButton5());
    QCOMPARE(form2.cursor().hotSpot(), QPoint(13, 2));
    QVERIFY(fixture.boxes.boxes.empty());
  }
};

QTEST_MAIN(LookTest)
#include "look_test.moc"
