// The whole flow on real database files made for the test: "Next >", the
// lists, a case change run, a restart, a wrong password.

#include <QComboBox>
#include <filesystem>

#include "app/start_up.h"
#include "engine/new_database.h"
#include "run/run_guard.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/progress_bar.h"
#include "ui/push_button.h"
#include "ui/report_list.h"
#include "ui/text_box.h"
#include "window_fixture.h"

namespace {

const QString kPassword = QStringLiteral("secret");

// Customers (three text fields) and Orders, under a database password.
QString makeFixture(const uitest::Fixture& fixture) {
  engine::NewDatabase db;
  db.format = engine::NewDatabase::Format::Jet4;
  db.password = kPassword.toStdU16String();
  auto& customers = db.tables.emplace_back();
  customers.name = u"Customers";
  customers.columns = {{u"Id", engine::NewColumn::Type::Long},
                       {u"Name", engine::NewColumn::Type::Text, 50},
                       {u"City", engine::NewColumn::Type::Text, 50}};
  customers.rows = {{std::int32_t{1}, engine::Text(u"john SMITH"), engine::Text(u"new york")},
                    {std::int32_t{2}, engine::Text(u"MARY ann"), engine::Text(u"LONDON town")},
                    {std::int32_t{3}, engine::Null{}, engine::Text(u"paris")}};
  auto& orders = db.tables.emplace_back();
  orders.name = u"Orders";
  orders.columns = {{u"OrderId", engine::NewColumn::Type::Long},
                    {u"Item", engine::NewColumn::Type::Text, 50}};
  orders.rows = {{std::int32_t{7}, engine::Text(u"blue pen")}};
  const QString path = fixture.path(QStringLiteral("fixture.mdb"));
  engine::createDatabase(std::filesystem::path(path.toStdString()), db);
  return path;
}

std::vector<std::u16string> items(const Access::ListControl& list) {
  std::vector<std::u16string> texts;
  for (int i = 0; i < list.count(); ++i) texts.push_back(list.text(i));
  return texts;
}

void clickItem(Controls::ReportList& list, int index) {
  const QPoint at = list.visualItemRect(list.topLevelItem(index)).center();
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
}

// Types the path and password as the user would and presses "Next >".
void openDatabase(Form1& form1, const QString& path, const QString& password) {
  form1.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form1));
  form1.Text1().clear();
  QTest::keyClicks(&form1.Text1(), path);
  form1.Text2().clear();
  QTest::keyClicks(&form1.Text2(), password);
  QTest::mouseClick(&form1.PushButton2(), Qt::LeftButton);
}

}  // namespace

class FlowTest : public QObject {
  Q_OBJECT

 private slots:
  void nextShowsTheTablesAndTheFirstTablesFields() {
    uitest::Fixture fixture;
    const QString path = makeFixture(fixture);
    Form1 form1(*fixture.settings, fixture.seams());
    openDatabase(form1, path, kPassword);
    QVERIFY(fixture.boxes.boxes.empty());
    QVERIFY(form1.existingForm2());
    Form2& form2 = *form1.existingForm2();
    QVERIFY(form2.isVisible());
    QVERIFY(!form1.isVisible());
    QCOMPARE(items(form2.tableList()), (std::vector<std::u16string>{u"Customers", u"Orders"}));
    QCOMPARE(items(form2.fieldList()), (std::vector<std::u16string>{u"Id", u"Name", u"City"}));
    QCOMPARE(items(form2.previewList()), (std::vector<std::u16string>{u"1", u"2", u"3"}));
    QCOMPARE(form2.pointer(), 0);
  }

  void clickingATableAndAFieldFillsTheLists() {
    uitest::Fixture fixture;
    const QString path = makeFixture(fixture);
    Form1 form1(*fixture.settings, fixture.seams());
    openDatabase(form1, path, kPassword);
    Form2& form2 = form1.form2();
    QVERIFY(QTest::qWaitForWindowExposed(&form2));
    clickItem(form2.ListView1(), 1);
    QCOMPARE(form2.tableList().selectedItemText(), std::optional<std::u16string>(u"Orders"));
    QCOMPARE(items(form2.fieldList()), (std::vector<std::u16string>{u"OrderId", u"Item"}));
    clickItem(form2.ListView2(), 1);
    QCOMPARE(items(form2.previewList()), (std::vector<std::u16string>{u"blue pen"}));
    clickItem(form2.ListView1(), 0);
    clickItem(form2.ListView2(), 2);
    QCOMPARE(items(form2.previewList()),
             (std::vector<std::u16string>{u"new york", u"LONDON town", u"paris"}));
    QVERIFY(fixture.boxes.boxes.empty());
  }

  void aProperCaseRunLeavesConvertedValuesInThePreview() {
    uitest::Fixture fixture;
    const QString path = makeFixture(fixture);
    Form1 form1(*fixture.settings, fixture.seams());
    openDatabase(form1, path, kPassword);
    Form2& form2 = form1.form2();
    QVERIFY(QTest::qWaitForWindowExposed(&form2));
    form2.setRunOptions({.pauses = false});
    clickItem(form2.ListView2(), 1);  // Name: the field the preview shows
    QTest::mouseClick(&form2.PushButton2(), Qt::LeftButton);
    form2.Combo1().setCurrentIndex(2);
    QCOMPARE(form2.caseListText(), u"Proper Case");
    QTest::mouseClick(&form2.PushButton4(), Qt::LeftButton);
    QVERIFY(!form2.runUnderWay());
    QVERIFY2(fixture.boxes.boxes.empty(),
             fixture.boxes.boxes.empty() ? "" : qPrintable(fixture.boxes.boxes.front().text));
    QCOMPARE(items(form2.previewList()),
             (std::vector<std::u16string>{u"John Smith", u"Mary Ann", u""}));
    QCOMPARE(form2.pointer(), 0);
    QCOMPARE(form2.ProgressBar1().value(), 0);
    QCOMPARE(form2.ProgressBar1().text(), QStringLiteral("Progress Bar"));
    clickItem(form2.ListView2(), 2);
    QCOMPARE(items(form2.previewList()),
             (std::vector<std::u16string>{u"New York", u"London Town", u"Paris"}));
  }

  // A file that may not be changed gives one report, not one per record:
  // the run ends there, resets the bar and shows the values as they are.
  void aReadOnlyFileGivesOneReportAndTheRunEnds() {
    uitest::Fixture fixture;
    const QString path = makeFixture(fixture);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    Form1 form1(*fixture.settings, fixture.seams());
    openDatabase(form1, path, kPassword);
    Form2& form2 = form1.form2();
    QVERIFY(QTest::qWaitForWindowExposed(&form2));
    QVERIFY(fixture.boxes.boxes.empty());
    form2.setRunOptions({.pauses = false});
    clickItem(form2.ListView2(), 1);
    QTest::mouseClick(&form2.PushButton2(), Qt::LeftButton);  // "Select All Fields"
    QTest::mouseClick(&form2.PushButton4(), Qt::LeftButton);
    QVERIFY(!form2.runUnderWay());
    QCOMPARE(fixture.boxes.boxes.size(), size_t{1});
    QVERIFY(fixture.boxes.boxes.front().text.contains(
        QStringLiteral("Cannot update. Database or object is read-only.")));
    QCOMPARE(fixture.boxes.boxes.front().title, QStringLiteral("Application Error"));
    QCOMPARE(form2.ProgressBar1().value(), 0);
    QCOMPARE(form2.ProgressBar1().text(), QStringLiteral("Progress Bar"));
    QCOMPARE(form2.pointer(), 0);
    QCOMPARE(items(form2.previewList()),
             (std::vector<std::u16string>{u"john SMITH", u"MARY ann", u""}));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  }

  void aRestartOpensStraightIntoTheChangeCaseWindow() {
    uitest::Fixture fixture;
    const QString path = makeFixture(fixture);
    {
      Form1 first(*fixture.settings, fixture.seams());
      openDatabase(first, path, kPassword);
      QVERIFY(first.existingForm2());
    }
    auto settings = fixture.reopenSettings();
    Form1 form1(*settings, fixture.seams());
    QCOMPARE(Main::StartProgram(form1, [](const QString&) {}), Main::StartUpOutcome::HandedOver);
    QVERIFY(!form1.isVisible());
    QVERIFY(form1.existingForm2() && form1.existingForm2()->isVisible());
    QCOMPARE(items(form1.form2().tableList()),
             (std::vector<std::u16string>{u"Customers", u"Orders"}));
    QVERIFY(fixture.boxes.boxes.empty());
  }

  void aWrongPasswordGivesOneReportAtLabel100() {
    uitest::Fixture fixture;
    const QString path = makeFixture(fixture);
    Form1 form1(*fixture.settings, fixture.seams());
    for (const QString& wrong : {QStringLiteral("wrong"), QString()}) {
      fixture.boxes.boxes.clear();
      openDatabase(form1, path, wrong);
      QCOMPARE(fixture.boxes.boxes.size(), size_t{1});
      QVERIFY(fixture.boxes.boxes.front().text.contains(
          QStringLiteral("\r\nin Casewick2021/08/31.Form1.PushButton2_Click at line 100\r\r")));
      QVERIFY(form1.isVisible());
      QCOMPARE(form1.existingForm2(), nullptr);
    }
  }

  void backAndNextFillTheTableListAnew() {
    uitest::Fixture fixture;
    const QString path = makeFixture(fixture);
    Form1 form1(*fixture.settings, fixture.seams());
    openDatabase(form1, path, kPassword);
    Form2& form2 = form1.form2();
    form2.Combo1().setCurrentIndex(3);
    QTest::mouseClick(&form2.PushButton1(), Qt::LeftButton);
    QVERIFY(form1.isVisible());
    QTest::mouseClick(&form1.PushButton2(), Qt::LeftButton);
    QVERIFY(form2.isVisible());
    QCOMPARE(items(form2.tableList()), (std::vector<std::u16string>{u"Customers", u"Orders"}));
    QCOMPARE(form2.caseListText(), u"Sentence case");
    QCOMPARE(form2.ListView1().columnHeaderCount(), 1);
  }
};

QTEST_MAIN(FlowTest)
#include "flow_test.moc"
