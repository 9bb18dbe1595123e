// The start-up of the program: the probe of the database engine, the
// restore of the remembered database and the automatic "Next >".

#include "ado/error.h"
#include "ado/factory.h"
#include "app/main/application_title.h"
#include "app/start_up.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/text_box.h"
#include "window_fixture.h"

class StartUpTest : public QObject {
  Q_OBJECT

 private slots:
  void aMissingEngineIsExplainedAndEndsTheProgram() {
    uitest::Fixture fixture;
    testsupport::MessageRecorder& answersYes = fixture.boxes;
    answersYes.setAnswer(Main::MessageAnswer::Yes);
    fixture.settings->write(QStringLiteral("AccessMDBFile"), QStringLiteral("/kept.mdb"));
    fixture.components.creationFailure = ado::Error::providerNotFound();
    QStringList opened;
    Form1 form1(*fixture.settings, fixture.seams());
    const auto outcome = Main::StartProgram(form1, [&](const QString& url) { opened << url; });
    QCOMPARE(outcome, Main::StartUpOutcome::ProgramEnded);
    QCOMPARE(fixture.programEnds, 1);
    QVERIFY(!form1.isVisible());
    QCOMPARE(answersYes.boxes.size(), size_t{1});
    QCOMPARE(answersYes.boxes.front().buttons, Main::MessageButtons::YesNo);
    QVERIFY(answersYes.boxes.front().text.startsWith(
        QStringLiteral("Error #3706: Provider cannot be found.")));
    QCOMPARE(opened.size(), 2);
    QVERIFY(opened[0].endsWith(QStringLiteral("id=13255")));
    QVERIFY(opened[1].endsWith(QStringLiteral("id=54920")));
    // The stored settings stay as they were.
    QCOMPARE(fixture.reopenSettings()->read(QStringLiteral("AccessMDBFile")),
             QStringLiteral("/kept.mdb"));
  }

  void anotherCreationFailureEndsTheProgramSilently() {
    uitest::Fixture fixture;
    fixture.components.creationFailure = ado::Error::cannotCreateObject();
    Form1 form1(*fixture.settings, fixture.seams());
    QCOMPARE(Main::StartProgram(form1, [](const QString&) { QFAIL("no page"); }),
             Main::StartUpOutcome::ProgramEnded);
    QVERIFY(fixture.boxes.boxes.empty());
    QCOMPARE(fixture.programEnds, 1);
  }

  void theApplicationTitleIsSet() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Main::StartProgram(form1, [](const QString&) {});
    QCOMPARE(fixture.boxes.applicationTitle(), QStringLiteral("Caseloom"));
    QCOMPARE(form1.windowTitle(), QStringLiteral("Caseloom"));
  }

  void aRememberedFileThatCannotBeOpenedIsReportedAndForm1Shown() {
    uitest::Fixture fixture;
    QVERIFY(fixture.addProgramFile(QStringLiteral("broken.mdb"), QByteArray(4096, 'x')));
    const QString path = fixture.programFolder() + QStringLiteral("/broken.mdb");
    fixture.settings->write(QStringLiteral("AccessMDBFile"), path);
    fixture.settings->write(QStringLiteral("AccessPassword"), QStringLiteral("pw"));
    auto settings = fixture.reopenSettings();
    Form1 form1(*settings, fixture.seams());
    QCOMPARE(Main::StartProgram(form1, [](const QString&) {}), Main::StartUpOutcome::ShowForm1);
    QCOMPARE(form1.Text1().text(), path);
    QCOMPARE(form1.Text2().text(), QStringLiteral("pw"));
    QVERIFY(form1.isVisible());
    QCOMPARE(fixture.boxes.boxes.size(), size_t{1});
    QVERIFY(fixture.boxes.boxes.front().text.contains(
        QStringLiteral("\r\nin Casewick2021/08/31.Form1.PushButton2_Click at line 100\r\r")));
  }

  void aStoredEmptyPathOpensNothing() {
    uitest::Fixture fixture;
    fixture.settings->write(QStringLiteral("AccessMDBFile"), QString());
    Form1 form1(*fixture.settings, fixture.seams());
    QCOMPARE(Main::StartProgram(form1, [](const QString&) {}), Main::StartUpOutcome::ShowForm1);
    QCOMPARE(form1.existingForm2(), nullptr);
    QVERIFY(fixture.boxes.boxes.empty());
  }
};

QTEST_MAIN(StartUpTest)
#include "startup_test.moc"
