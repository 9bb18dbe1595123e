// The database selection window: layout, the boxes and their settings, the
// browse and sample buttons, "Next >" on a missing file, closing.

#include "ui/form1.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <QGroupBox>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>

#include "app/start_up.h"
#include "ui/common_dialog.h"
#include "ui/form2.h"
#include "ui/push_button.h"
#include "ui/sample_database.h"
#include "ui/text_box.h"
#include "window_fixture.h"

namespace {

using uitest::FileDialogAnswer;

// Whether only the owner may read and write the file. Windows has no
// permission bits for it to set: there the answer is always yes.
bool ownerOnly(const QString& path) {
#ifdef _WIN32
  Q_UNUSED(path);
  return true;
#else
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return false;
  return (info.st_mode & 0777) == 0600;
#endif
}

QRect twips(int left, int top, int width, int height) {
  return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0),
               qRound(height / 15.0));
}

// The next control in the focus chain that the Tab key stops at.
QWidget* nextTabStop(QWidget& from) {
  QWidget* next = from.nextInFocusChain();
  while (next != &from && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  return next;
}

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private slots:
  void firstStartShowsEmptyForm1() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    const auto outcome = Main::StartProgram(form1, [](const QString&) {});
    QCOMPARE(outcome, Main::StartUpOutcome::ShowForm1);
    QVERIFY(form1.isVisible());
    QCOMPARE(form1.existingForm2(), nullptr);
    QCOMPARE(form1.Text1().text(), QString());
    QCOMPARE(form1.Text2().text(), QString());
    QCOMPARE(form1.windowTitle(), QStringLiteral("Caseloom"));
    QVERIFY(fixture.boxes.boxes.empty());
    QCOMPARE(fixture.programEnds, 0);
  }

  void layoutFollowsTheDesign() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    QCOMPARE(form1.size(), QSize(536, 139));
    QCOMPARE(form1.minimumSize(), form1.maximumSize());
    QVERIFY(!(form1.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form1.Frame1().geometry(), twips(120, 120, 7800, 1335));
    QCOMPARE(form1.Label5().geometry(), twips(240, 345, 1935, 255));
    QCOMPARE(form1.Text1().geometry(), twips(2280, 300, 4695, 345));
    QCOMPARE(form1.PushButton1().geometry(), twips(7080, 300, 450, 345));
    QCOMPARE(form1.lblPassword().geometry(), twips(240, 840, 1950, 225));
    QCOMPARE(form1.Text2().geometry(), twips(2280, 800, 5265, 345));
    QCOMPARE(form1.PushButton3().geometry(), twips(120, 1580, 3840, 405));
    QCOMPARE(form1.PushButton2().geometry(), twips(4080, 1580, 3840, 405));
    QCOMPARE(form1.Text1().parentWidget(), &form1.Frame1());
    QCOMPARE(form1.Frame1().title(), QStringLiteral("Access Database"));
    QCOMPARE(form1.Label5().text(), QStringLiteral("MDB or ACCDB File:"));
    QCOMPARE(form1.lblPassword().text(), QStringLiteral("Password (if required):"));
    QCOMPARE(form1.PushButton1().text(), QStringLiteral("..."));
    QCOMPARE(form1.PushButton2().text(), QStringLiteral("Next >"));
    QCOMPARE(form1.PushButton3().text(), QStringLiteral("Load Sample/Example Database"));
  }

  void fontsAreArialBold() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    for (QWidget* control :
         {static_cast<QWidget*>(&form1.Text1()), static_cast<QWidget*>(&form1.Label5()),
          static_cast<QWidget*>(&form1.Frame1())}) {
      QCOMPARE(control->font().family(), QStringLiteral("Arial"));
      QCOMPARE(control->font().pointSizeF(), 9.0);
      QVERIFY(control->font().bold());
    }
    QCOMPARE(form1.PushButton2().font().pointSizeF(), 11.25);
    QVERIFY(form1.PushButton2().font().bold());
  }

  void tabOrderStartsInThePathBox() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    QCOMPARE(nextTabStop(form1.Text1()), &form1.PushButton2());
    QCOMPARE(nextTabStop(form1.PushButton2()), &form1.Text2());
    QCOMPARE(nextTabStop(form1.Text2()), &form1.PushButton1());
    QCOMPARE(nextTabStop(form1.PushButton1()), &form1.PushButton3());
    QCOMPARE(nextTabStop(form1.PushButton3()), &form1.Text1());
    form1.show();
    QVERIFY(QTest::qWaitForWindowActive(&form1));
    QCOMPARE(QApplication::focusWidget(), &form1.Text1());
  }

  void passwordShowsOneAsteriskPerCharacter() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    form1.Text2().setText(QStringLiteral("s3cr\u00e9t"));
    QCOMPARE(form1.Text2().displayText(), QStringLiteral("******"));
    QCOMPARE(form1.Text2().text(), QStringLiteral("s3cr\u00e9t"));
    QCOMPARE(form1.password(), u"s3cr\u00e9t");
    QVERIFY(!form1.Text2().testAttribute(Qt::WA_InputMethodEnabled));
  }

  void focusSelectsTheWholeText() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    form1.show();
    QVERIFY(QTest::qWaitForWindowActive(&form1));
    form1.Text1().setText(QStringLiteral("C:/data/orders.mdb"));
    form1.Text2().setText(QStringLiteral("pw"));
    form1.Text2().setFocus();
    QTRY_COMPARE(form1.Text2().selectionLength(), 2);
    form1.Text1().deselect();
    form1.Text1().setFocus();
    QTRY_COMPARE(form1.Text1().selectedText(), QStringLiteral("C:/data/orders.mdb"));
    QCOMPARE(form1.Text1().selectionStart(), 0);
  }

  void everyKeystrokeIsStoredOwnerOnly() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    form1.show();
    QVERIFY(QTest::qWaitForWindowActive(&form1));
    form1.Text2().setFocus();
    QString typed;
    for (QChar c : QStringLiteral("pa$s")) {
      QTest::keyClick(&form1.Text2(), c.toLatin1());
      typed += c;
      QCOMPARE(fixture.reopenSettings()->read(QStringLiteral("AccessPassword")), typed);
      QVERIFY(ownerOnly(fixture.settingsFile()));
    }
    form1.Text1().setText(QStringLiteral("/tmp/a b.mdb"));
    QCOMPARE(fixture.reopenSettings()->read(QStringLiteral("AccessMDBFile")),
             QStringLiteral("/tmp/a b.mdb"));
    form1.Text1().clear();
    auto reopened = fixture.reopenSettings();
    QCOMPARE(reopened->read(QStringLiteral("AccessMDBFile")), QString());
    QVERIFY(ownerOnly(fixture.settingsFile()));
    // The values live in section Caseloom of the store.
    QSettings raw(fixture.settingsFile(), QSettings::IniFormat);
    QCOMPARE(raw.value(QStringLiteral("Caseloom/AccessPassword")).toString(), typed);
    QVERIFY(raw.contains(QStringLiteral("Caseloom/AccessMDBFile")));
  }

  void aSettingsStoreThatCannotBeWrittenIsReportedPerChange() {
    uitest::Fixture fixture;
    QVERIFY(fixture.addProgramFile(QStringLiteral("plain-file"), "x"));
    // A folder cannot be made below a plain file.
    Main::SettingsStore unwritable(fixture.programFolder() +
                                   QStringLiteral("/plain-file/config/Brindlecove.ini"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             unwritable.write(QStringLiteral("AccessMDBFile"), "x"));
    Form1 form1(unwritable, fixture.seams());
    form1.Text1().setText(QStringLiteral("a"));
    form1.Text2().setText(QStringLiteral("b"));
    QCOMPARE(fixture.boxes.boxes.size(), size_t{2});
    QVERIFY(fixture.boxes.boxes[0].text.contains(
        QStringLiteral("in Casewick2021/08/31.Form1.Text1_Change at line 100")));
    QVERIFY(fixture.boxes.boxes[1].text.contains(
        QStringLiteral("in Casewick2021/08/31.Form1.Text2_Change at line 100")));
    QCOMPARE(form1.Text1().text(), QStringLiteral("a"));
  }

  void restartRestoresPathAndPasswordOfMissingFile() {
    uitest::Fixture fixture;
    const QString gone = fixture.path(QStringLiteral("gone.mdb"));
    {
      Form1 first(*fixture.settings, fixture.seams());
      first.Text1().setText(gone);
      first.Text2().setText(QStringLiteral("pw"));
    }
    auto settings = fixture.reopenSettings();
    Form1 second(*settings, fixture.seams());
    QCOMPARE(Main::StartProgram(second, [](const QString&) {}), Main::StartUpOutcome::ShowForm1);
    QCOMPARE(second.Text1().text(), gone);
    QCOMPARE(second.Text2().text(), QStringLiteral("pw"));
    QVERIFY(second.isVisible());
    QVERIFY(fixture.boxes.boxes.empty());
  }

  void browseAsksForAnAccessDatabase() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    FileDialogAnswer& dialog = fixture.fileDialog;
    dialog.answer = QStringLiteral("/data/chosen.accdb");
    QTest::mouseClick(&form1.PushButton1(), Qt::LeftButton);
    QCOMPARE(dialog.asked.size(), size_t{1});
    const Controls::CommonDialog& asked = dialog.asked.front();
    QCOMPARE(asked.DialogTitle, QStringLiteral("Select Access Database"));
    QCOMPARE(asked.Filter,
             QStringLiteral("All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database "
                            "(*.mdb)|*.mdb|Microsoft 2007 Database (*.accdb)|*.accdb|"));
    QCOMPARE(asked.Flags, 0x280001);
    QCOMPARE(asked.FileName, QString());
    const QStringList filters = asked.NameFilters();
    QCOMPARE(filters.size(), 3);
    QCOMPARE(filters[0], QStringLiteral("All Microsoft Databases (*.mdb,*.accdb) (*.*db)"));
    QCOMPARE(filters[2], QStringLiteral("Microsoft 2007 Database (*.accdb) (*.accdb)"));
    QCOMPARE(form1.Text1().text(), QStringLiteral("/data/chosen.accdb"));
    QCOMPARE(fixture.reopenSettings()->read(QStringLiteral("AccessMDBFile")),
             QStringLiteral("/data/chosen.accdb"));
  }

  void cancellingTheBrowseChangesNothing() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    form1.Text1().setText(QStringLiteral("/kept.mdb"));
    form1.PushButton1_Click();  // the dialog is cancelled
    QCOMPARE(form1.Text1().text(), QStringLiteral("/kept.mdb"));
    QCOMPARE(fixture.reopenSettings()->read(QStringLiteral("AccessMDBFile")),
             QStringLiteral("/kept.mdb"));
    QVERIFY(fixture.boxes.boxes.empty());
  }

  void sampleButtonFillsInThePathBesideTheProgram() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    QTest::mouseClick(&form1.PushButton3(), Qt::LeftButton);
    const QString expected =
        QDir::toNativeSeparators(fixture.programFolder() + QStringLiteral("/Samples/sample.mdb"));
    QCOMPARE(form1.Text1().text(), expected);
    QVERIFY(fixture.boxes.boxes.empty());
    // No such file: "Next >" then does nothing and says nothing.
    form1.PushButton2_Click();
    QCOMPARE(form1.existingForm2(), nullptr);
    QVERIFY(fixture.boxes.boxes.empty());
  }

  void readOnlySampleIsCopiedOnceToTheUsersDataFolder() {
    uitest::Fixture fixture;
    QVERIFY(fixture.addProgramFile(QStringLiteral("Samples/sample.mdb"), "first"));
    const auto readOnly = [](const QString&) { return false; };
    const QString copy = Controls::SampleDatabasePath(fixture.program, readOnly);
    QVERIFY(QDir::fromNativeSeparators(copy).startsWith(fixture.dataFolder() + QLatin1Char('/')));
    QVERIFY(QDir::fromNativeSeparators(copy).endsWith(QStringLiteral("/Samples/sample.mdb")));
    QFile copied(copy);
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("first"));
    QVERIFY(copied.permissions() & QFile::WriteOwner);
    copied.close();
    // A later change of the program's sample leaves the user's copy alone.
    QVERIFY(fixture.addProgramFile(QStringLiteral("Samples/sample.mdb"), "second"));
    QCOMPARE(Controls::SampleDatabasePath(fixture.program, readOnly), copy);
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("first"));
    // A writable sample is used where it lies.
    const auto writable = [](const QString&) { return true; };
    QCOMPARE(Controls::SampleDatabasePath(fixture.program, writable),
             QDir::toNativeSeparators(fixture.programFolder() + "/Samples/sample.mdb"));
  }

  void nextOnAFileThatIsNoDatabaseReportsOnceAtLabel100() {
    uitest::Fixture fixture;
    QVERIFY(fixture.addProgramFile(QStringLiteral("not-a-database.mdb"), "plain text"));
    Form1 form1(*fixture.settings, fixture.seams());
    form1.show();
    form1.Text1().setText(fixture.programFolder() + QStringLiteral("/not-a-database.mdb"));
    QTest::mouseClick(&form1.PushButton2(), Qt::LeftButton);
    QCOMPARE(fixture.boxes.boxes.size(), size_t{1});
    const auto& report = fixture.boxes.boxes.front();
    QCOMPARE(report.title, QStringLiteral("Application Error"));
    QVERIFY(report.text.contains(
        QStringLiteral("\r\nin Casewick2021/08/31.Form1.PushButton2_Click at line 100\r\r")));
    QVERIFY(form1.isVisible());
    QVERIFY(!form1.existingForm2() || !form1.existingForm2()->isVisible());
  }

  void closingEndsTheProgram() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    form1.show();
    QVERIFY(form1.close());
    QCOMPARE(fixture.programEnds, 1);
  }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
