// What the change window adds to the original: the open database named in
// the title, Enter in the boxes of the database window, Name Case with its
// words, "Preview Changes" that writes nothing and "Undo Last Run".

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>

#include "app/frame/settings_store.h"
#include "engine/new_database.h"
#include "run/run_guard.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/push_button.h"
#include "ui/report_list.h"
#include "ui/text_box.h"
#include "window_fixture.h"

namespace {

using Format = engine::NewDatabase::Format;

// People with names in capitals and a unique index over them, in an .mdb
// under a database password or in an .accdb ciphered with AES.
QString makeNames(const uitest::Fixture& fixture, Format format, const QString& name) {
  engine::NewDatabase db;
  db.format = format;
  db.password = u"secret";
  auto& people = db.tables.emplace_back();
  people.name = u"People";
  people.columns = {{u"Id", engine::NewColumn::Type::Long},
                    {u"Name", engine::NewColumn::Type::Text, 60},
                    {u"Tag", engine::NewColumn::Type::Text, 20}};
  people.indexes = {{u"ByTag", {u"Tag"}, /*primary=*/false, /*unique=*/true}};
  people.rows = {
      {std::int32_t{1}, engine::Text(u"MCDONALD-O'BRIEN VAN DER BERG III"),
       engine::Text(u"5 \u039cm")},
      {std::int32_t{2}, engine::Text(u"jean-luc picard phd"), engine::Text(u"5 \u00b5m")},
      {std::int32_t{3}, engine::Null{}, engine::Text(u"cd")},
      {std::int32_t{4}, engine::Text(u"42"), engine::Text(u"ef")}};
  const QString path = fixture.path(name);
  try {
    engine::createDatabase(std::filesystem::path(path.toStdString()), db);
  } catch (const std::exception& e) {
    qWarning("cannot make %s: %s", qPrintable(path), e.what());
    throw;
  }
  return path;
}

QByteArray bytesOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<QString> texts(const Controls::ReportList& list) {
  std::vector<QString> out;
  for (int i = 0; i < list.count(); ++i) out.push_back(QString::fromStdU16String(list.text(i)));
  return out;
}

void clickItem(Controls::ReportList& list, int index) {
  const QPoint at = list.visualItemRect(list.topLevelItem(index)).center();
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
}

// Types path and password, presses Enter in the password box, and selects
// the field Name of People.
Form2& openAndSelectName(Form1& form1, const QString& path) {
  form1.show();
  form1.Text1().setText(path);
  form1.Text2().setText(QStringLiteral("secret"));
  QTest::keyClick(&form1.Text2(), Qt::Key_Return);
  Form2& form2 = form1.form2();
  form2.setRunOptions({.pauses = false});
  clickItem(form2.ListView2(), 1);
  return form2;
}

void chooseCase(Form2& form2, const QString& entry) {
  form2.Combo1().setCurrentIndex(form2.Combo1().findText(entry));
}

}  // namespace

class ChangesTest : public QObject {
  Q_OBJECT

 private slots:
  void enterInEitherBoxPressesNext() {
    for (const bool inPassword : {false, true}) {
      uitest::Fixture fixture;
      const QString path = makeNames(fixture, Format::Jet4, QStringLiteral("Customers.mdb"));
      Form1 form1(*fixture.settings, fixture.seams());
      form1.show();
      form1.Text2().setText(QStringLiteral("secret"));
      form1.Text1().setText(path);
      QTest::keyClick(inPassword ? &form1.Text2() : &form1.Text1(), Qt::Key_Enter);
      QVERIFY(form1.existingForm2() && form1.existingForm2()->isVisible());
      QVERIFY(!form1.isVisible());
      QVERIFY(fixture.boxes.boxes.empty());
    }
  }

  void theTitleNamesTheOpenFileAndTheTooltipItsPath() {
    uitest::Fixture fixture;
    const QString path = makeNames(fixture, Format::Jet4, QStringLiteral("Customers.mdb"));
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = openAndSelectName(form1, path);
    QCOMPARE(form2.windowTitle(), QStringLiteral("Caseloom - Customers.mdb"));
    QCOMPARE(form2.toolTip(), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    // Another file after "< Back" and "Next >".
    const QString other = makeNames(fixture, Format::Ace12, QStringLiteral("Orders.accdb"));
    form2.PushButton1_Click();
    form1.Text1().setText(other);
    QTest::keyClick(&form1.Text1(), Qt::Key_Return);
    QCOMPARE(form2.windowTitle(), QStringLiteral("Caseloom - Orders.accdb"));
  }

  void nameCaseKeepsTheWordsOfItsBoxWhichTheSettingsKeep() {
    uitest::Fixture fixture;
    const QString path = makeNames(fixture, Format::Jet4, QStringLiteral("names.mdb"));
    {
      Form1 form1(*fixture.settings, fixture.seams());
      Form2& form2 = openAndSelectName(form1, path);
      QCOMPARE(form2.Text1().text(), QStringLiteral("USA IBM PhD McDonald's"));
      form2.Text1().clear();
      QTest::keyClicks(&form2.Text1(), QStringLiteral("PhD USA"));
      chooseCase(form2, QStringLiteral("Name Case"));
      QTest::mouseClick(&form2.PushButton4(), Qt::LeftButton);
      QVERIFY(fixture.boxes.boxes.empty());
      QCOMPARE(texts(form2.ListView3()),
               (std::vector<QString>{QStringLiteral("McDonald-O'Brien van der Berg III"),
                                     QStringLiteral("Jean-Luc Picard PhD"), QString(),
                                     QStringLiteral("42")}));
    }
    QCOMPARE(fixture.reopenSettings()->read(Main::kNameExceptionsKey), QStringLiteral("PhD USA"));
  }

  void previewShowsTheChangesAndWritesNothing() {
    for (const Format format : {Format::Jet4, Format::Ace12}) {
      uitest::Fixture fixture;
      const QString path = makeNames(
          fixture, format,
          format == Format::Jet4 ? QStringLiteral("people.mdb") : QStringLiteral("people.accdb"));
      Form1 form1(*fixture.settings, fixture.seams());
      Form2& form2 = openAndSelectName(form1, path);
      const QByteArray before = bytesOf(path);
      chooseCase(form2, QStringLiteral("Name Case"));
      QTest::mouseClick(&form2.PushButton6(), Qt::LeftButton);
      QVERIFY(!form2.runUnderWay());
      QVERIFY2(fixture.boxes.boxes.empty(),
               fixture.boxes.boxes.empty() ? "" : qPrintable(fixture.boxes.boxes[0].text));
      QCOMPARE(bytesOf(path), before);
      QVERIFY(!QFileInfo::exists(path + QStringLiteral("-journal")));
      QCOMPARE(texts(form2.ListView4()),
               (std::vector<QString>{
                   QStringLiteral("People.Name: 2 of 4 records would change; 2 left alone: 1 "
                                  "null, 1 number"),
                   QStringLiteral("  \"MCDONALD-O'BRIEN VAN DER BERG III\" \u2192 "
                                  "\"McDonald-O'Brien van der Berg III\""),
                   QStringLiteral("  \"jean-luc picard phd\" \u2192 \"Jean-Luc Picard PhD\"")}));
      // The preview of values still shows the file's own.
      QCOMPARE(texts(form2.ListView3()).front(),
               QStringLiteral("MCDONALD-O'BRIEN VAN DER BERG III"));
      // No undo file: nothing ran.
      QVERIFY(!form2.undoStore().lastRunOf(path));
    }
  }

  void previewShowsRefusals() {
    uitest::Fixture fixture;
    const QString path = makeNames(fixture, Format::Jet4, QStringLiteral("people.mdb"));
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = openAndSelectName(form1, path);
    form2.ListView2().setSelected(1, false);
    // Tag: the micro sign's capital is the Greek capital Mu, so in capitals
    // "5 \u00b5m" takes the key "5 \u039cm" holds already.
    form2.ListView2().setSelected(2, true);
    const QByteArray before = bytesOf(path);
    chooseCase(form2, QStringLiteral("UPPER CASE"));
    QTest::mouseClick(&form2.PushButton6(), Qt::LeftButton);
    QVERIFY(fixture.boxes.boxes.empty());
    QCOMPARE(bytesOf(path), before);
    const std::vector<QString> lines = texts(form2.ListView4());
    QVERIFY(!lines.empty());
    QVERIFY2(lines[0].startsWith(QStringLiteral("People.Tag: 3 of 4 records would change; 1 left "
                                                "alone: 1 refused")),
             qPrintable(lines[0]));
    QVERIFY(std::any_of(lines.begin(), lines.end(), [](const QString& line) {
      return line.startsWith(QStringLiteral("  \"5 \u00b5m\" refused: "));
    }));
  }

  void previewWithoutAFieldAsksForOne() {
    uitest::Fixture fixture;
    const QString path = makeNames(fixture, Format::Jet4, QStringLiteral("people.mdb"));
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = openAndSelectName(form1, path);
    form2.PushButton3_Click();
    QTest::mouseClick(&form2.PushButton6(), Qt::LeftButton);
    QCOMPARE(
        texts(form2.ListView4()),
        (std::vector<QString>{QStringLiteral("Select a table and one or more fields first.")}));
  }

  void undoLastRunPutsEveryValueBack() {
    uitest::Fixture fixture;
    const QString path = makeNames(fixture, Format::Ace12, QStringLiteral("people.accdb"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = openAndSelectName(form1, path);
    const std::vector<QString> original = texts(form2.ListView3());
    chooseCase(form2, QStringLiteral("Sentence case"));
    QTest::mouseClick(&form2.PushButton4(), Qt::LeftButton);
    QVERIFY(fixture.boxes.boxes.empty());
    QCOMPARE(texts(form2.ListView3())[0], QStringLiteral("Mcdonald-o'brien van der berg iii"));
    const auto undoFile = form2.undoStore().lastRunOf(path);
    QVERIFY(undoFile);
    QVERIFY(
        QDir::fromNativeSeparators(*undoFile).startsWith(fixture.dataFolder() + QLatin1Char('/')));
    QVERIFY(QFileInfo(*undoFile).fileName().startsWith(QStringLiteral("people.accdb-")));
    QCOMPARE(QFileInfo(*undoFile).permissions() & 0x0777, QFileInfo(path).permissions() & 0x0777);

    QTest::mouseClick(&form2.PushButton7(), Qt::LeftButton);
    QCOMPARE(fixture.boxes.boxes.size(), 1u);
    QCOMPARE(fixture.boxes.boxes[0].text, QStringLiteral("Put back 2 values."));
    QCOMPARE(texts(form2.ListView3()), original);
    // Nothing is left to undo.
    QTest::mouseClick(&form2.PushButton7(), Qt::LeftButton);
    QCOMPARE(fixture.boxes.boxes.back().text,
             QStringLiteral("No run on this database is left to undo."));
  }

  void undoTakesBackRunAfterRunAndLeavesRecordsChangedSince() {
    uitest::Fixture fixture;
    const QString path = makeNames(fixture, Format::Jet4, QStringLiteral("people.mdb"));
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = openAndSelectName(form1, path);
    chooseCase(form2, QStringLiteral("Sentence case"));
    QTest::mouseClick(&form2.PushButton4(), Qt::LeftButton);
    // A second run on the same values changes nothing and leaves no undo
    // file; then a Proper Case run changes them again.
    QTest::mouseClick(&form2.PushButton4(), Qt::LeftButton);
    chooseCase(form2, QStringLiteral("Proper Case"));
    QTest::mouseClick(&form2.PushButton4(), Qt::LeftButton);
    QVERIFY(fixture.boxes.boxes.empty());
    const QDir folder(form2.undoStore().folder());
    QCOMPARE(folder.entryList(QDir::Files).size(), 2);
    QTest::mouseClick(&form2.PushButton7(), Qt::LeftButton);
    QCOMPARE(fixture.boxes.boxes.back().text, QStringLiteral("Put back 2 values."));
    QCOMPARE(texts(form2.ListView3())[1], QStringLiteral("Jean-luc picard phd"));
    // Someone else changes the records (a run whose undo file is gone).
    chooseCase(form2, QStringLiteral("UPPER CASE"));
    QTest::mouseClick(&form2.PushButton4(), Qt::LeftButton);
    QVERIFY(QFile::remove(*form2.undoStore().lastRunOf(path)));
    // Undo takes back the Sentence case run: the first record holds its
    // old text again, the second something else.
    QTest::mouseClick(&form2.PushButton7(), Qt::LeftButton);
    const QString said = fixture.boxes.boxes.back().text;
    QVERIFY2(said.startsWith(QStringLiteral("Put back 0 values.\r1 values already held their old "
                                            "text.\rLeft alone 1 records that changed since:\r  "
                                            "People.Name (page ")),
             qPrintable(said));
    QVERIFY(said.contains(QStringLiteral("now holds \"JEAN-LUC PICARD PHD\"")));
    QCOMPARE(texts(form2.ListView3())[1], QStringLiteral("JEAN-LUC PICARD PHD"));
    QCOMPARE(folder.entryList(QDir::Files).size(), 0);
  }
};

QTEST_MAIN(ChangesTest)
#include "changes_test.moc"
