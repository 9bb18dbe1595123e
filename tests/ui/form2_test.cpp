// The change-case window: its load step, the lists as the database
// procedures see them, Help, Select and Unselect All, "< Back", refusals
// while a run is under way, the progress bar, closing.

#include "ui/form2.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

#include "app/frame/form_colors.h"
#include "run/run_guard.h"
#include "ui/form1.h"
#include "ui/progress_bar.h"
#include "ui/push_button.h"
#include "ui/report_list.h"
#include "ui/text_box.h"
#include "window_fixture.h"

namespace {

QRect twips(int left, int top, int width, int height) {
  return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0),
               qRound(height / 15.0));
}

void addFields(Form2& form2, std::initializer_list<const char16_t*> names) {
  for (const char16_t* name : names) form2.fieldList().add(name);
}

}  // namespace

class Form2Test : public QObject {
  Q_OBJECT

 private slots:
  void loadStepDressesTheWindow() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    QCOMPARE(&form1.form2(), &form2);  // created once
    QCOMPARE(form2.windowTitle(), QStringLiteral("Caseloom"));
    QVERIFY(!form2.windowIcon().isNull());
    QCOMPARE(Main::BackColor(form2), Main::ButtonFaceColour());
    QCOMPARE(Main::BackColor(form2.Frame1()), Main::ButtonFaceColour());
    QCOMPARE(form2.Combo1().count(), 5);
    QCOMPARE(form2.Combo1().itemText(0), QStringLiteral("UPPER CASE"));
    QCOMPARE(form2.Combo1().itemText(1), QStringLiteral("lower case"));
    QCOMPARE(form2.Combo1().itemText(2), QStringLiteral("Proper Case"));
    QCOMPARE(form2.Combo1().itemText(3), QStringLiteral("Sentence case"));
    QCOMPARE(form2.Combo1().itemText(4), QStringLiteral("Name Case"));
    QCOMPARE(form2.Combo1().currentIndex(), 0);
    QVERIFY(!form2.Combo1().isEditable());
    QCOMPARE(form2.caseListText(), u"UPPER CASE");
    const struct {
      Controls::ReportList* list;
      const char* header;
      int width;
    } lists[] = {{&form2.ListView1(), "Table(s)", 267},
                 {&form2.ListView2(), "Field(s)", 267},
                 {&form2.ListView3(), "Preview - First 100 Records Are Shown", 533},
                 {&form2.ListView4(), "Preview of Changes", 367}};
    for (const auto& expected : lists) {
      QCOMPARE(expected.list->columnHeaderCount(), 1);
      QCOMPARE(expected.list->headerItem()->text(0), QString::fromUtf8(expected.header));
      QCOMPARE(expected.list->columnWidth(0), expected.width);
      QCOMPARE(expected.list->toolTip(),
               QStringLiteral("Move | line to right and out of window to reveal full names."));
      QCOMPARE(Main::BackColor(*expected.list->viewport()), QPalette().color(QPalette::Base));
    }
    QCOMPARE(form2.ListView1().selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(form2.ListView2().selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(fixture.boxes.boxes.empty());
  }

  void layoutFollowsTheDesign() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    // The original's width and the column of the preview of changes.
    QCOMPARE(form2.size(), QSize(1016, 573));
    QCOMPARE(form2.minimumSize(), form2.maximumSize());
    QVERIFY(!(form2.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form2.PushButton5().geometry(), twips(120, 120, 9000, 405));
    QCOMPARE(form2.ListView1().geometry(), twips(120, 630, 4440, 2715));
    QCOMPARE(form2.ListView2().geometry(), twips(4680, 630, 4440, 2235));
    QCOMPARE(form2.PushButton2().geometry(), twips(4680, 2925, 2055, 405));
    QCOMPARE(form2.PushButton3().geometry(), twips(6840, 2925, 2280, 405));
    QCOMPARE(form2.ListView3().geometry(), twips(120, 3405, 9000, 2715));
    QCOMPARE(form2.Frame1().geometry(), twips(120, 6150, 9000, 800));
    QCOMPARE(form2.Combo1().geometry(), twips(240, 300, 8520, 345));
    QCOMPARE(form2.Combo1().parentWidget(), &form2.Frame1());
    QCOMPARE(form2.PushButton4().geometry(), twips(120, 7050, 9000, 405));
    QCOMPARE(form2.PushButton1().geometry(), twips(120, 7560, 9015, 405));
    QCOMPARE(form2.ProgressBar1().geometry(), twips(120, 8070, 9000, 405));
    QCOMPARE(form2.PushButton1().text(), QStringLiteral("< Back"));
    QCOMPARE(form2.PushButton2().text(), QStringLiteral("Select All Fields"));
    QCOMPARE(form2.PushButton3().text(), QStringLiteral("Unselect All Fields"));
    QCOMPARE(form2.PushButton4().text(), QStringLiteral("Start Changing"));
    QCOMPARE(form2.PushButton5().text(), QStringLiteral("Help"));
    QCOMPARE(form2.PushButton6().geometry(), twips(9240, 120, 5880, 405));
    QCOMPARE(form2.ListView4().geometry(), twips(9240, 630, 5880, 5490));
    QCOMPARE(form2.Frame2().geometry(), twips(9240, 6150, 5880, 800));
    QCOMPARE(form2.Text1().parentWidget(), &form2.Frame2());
    QCOMPARE(form2.PushButton7().geometry(), twips(9240, 7050, 5880, 405));
    QCOMPARE(form2.PushButton6().text(), QStringLiteral("Preview Changes"));
    QCOMPARE(form2.PushButton7().text(), QStringLiteral("Undo Last Run"));
    QCOMPARE(form2.Frame1().title(), QStringLiteral("Change all records in selected field(s) to:"));
    QCOMPARE(form2.PushButton4().font().pointSizeF(), 11.25);
    QCOMPARE(form2.ListView1().font().family(), QStringLiteral("Arial"));
    QCOMPARE(form2.ListView1().font().pointSizeF(), 9.0);
    QWidget* expectedOrder[] = {&form2.ListView1(),   &form2.ListView2(),   &form2.ListView3(),
                                &form2.Combo1(),      &form2.PushButton2(), &form2.PushButton3(),
                                &form2.PushButton4(), &form2.PushButton1(), &form2.PushButton5(),
                                &form2.PushButton6(), &form2.ListView4(),   &form2.Text1(),
                                &form2.PushButton7()};
    for (size_t i = 0; i + 1 < std::size(expectedOrder); ++i) {
      QWidget* next = expectedOrder[i]->nextInFocusChain();
      while (!(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
      QCOMPARE(next, expectedOrder[i + 1]);
    }
  }

  void progressBarRestsAtZeroWithItsCaption() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    Controls::ProgressBar& bar = form2.ProgressBar1();
    QCOMPARE(bar.minimum(), 0);
    QCOMPARE(bar.maximum(), 100);
    QCOMPARE(bar.value(), 0);
    QCOMPARE(bar.text(), QStringLiteral("Progress Bar"));
    form2.setProgressValue(42.6);
    QCOMPARE(bar.value(), 43);
    form2.setProgressCaption(u"100% done");
    QCOMPARE(bar.text(), QStringLiteral("100% done"));
    form2.setProgressValue(0);
    form2.setProgressCaption(u"Progress Bar");
    QCOMPARE(bar.text(), QStringLiteral("Progress Bar"));
  }

  void listsAsTheProceduresSeeThem() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    Access::ListControl& fields = form2.fieldList();
    QCOMPARE(fields.selectedItemText(), std::nullopt);
    addFields(form2, {u"Name", u"City", u"Zip"});
    QCOMPARE(fields.count(), 3);
    QCOMPARE(fields.text(1), u"City");
    // The first item added to an empty list is the selected item.
    QVERIFY(fields.isSelected(0));
    QVERIFY(!fields.isSelected(1));
    QCOMPARE(fields.selectedItemText(), std::optional<std::u16string>(u"Name"));
    fields.setSelected(2, true);
    QVERIFY(fields.isSelected(2));
    QCOMPARE(fields.selectedItemText(), std::optional<std::u16string>(u"Name"));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, fields.text(3));
    fields.clear();
    QCOMPARE(fields.count(), 0);
    QCOMPARE(form2.ListView2().columnHeaderCount(), 1);  // clearing keeps the header
  }

  void helpShowsTheFourLines() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    QTest::mouseClick(&form2.PushButton5(), Qt::LeftButton);
    form2.PushButton5_Click();
    QCOMPARE(fixture.boxes.boxes.size(), size_t{2});
    for (const auto& box : fixture.boxes.boxes) {
      QCOMPARE(box.text,
               QStringLiteral("1. Select table.\r\r2. Select one or more fields to change.\r\r"
                              "3. Select \"UPPER CASE\" or \"lower case\" or \"Proper Case\" or "
                              "\"Sentence case\".\r\r4. Click 'Start Changing Case' to make "
                              "changes to your database."));
      QCOMPARE(box.title, QStringLiteral("Caseloom"));
      QCOMPARE(box.icon, Main::MessageIcon::None);
      QCOMPARE(box.buttons, Main::MessageButtons::Ok);
    }
  }

  void selectAndUnselectAllFields() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    form2.PushButton2_Click();  // empty list: nothing, no message
    form2.PushButton3_Click();
    addFields(form2, {u"A", u"B", u"C", u"D"});
    QTest::mouseClick(&form2.PushButton2(), Qt::LeftButton);
    for (int i = 0; i < 4; ++i) QVERIFY(form2.fieldList().isSelected(i));
    // The preview's field stays the one clicked last.
    QCOMPARE(form2.fieldList().selectedItemText(), std::optional<std::u16string>(u"A"));
    QTest::mouseClick(&form2.PushButton3(), Qt::LeftButton);
    for (int i = 0; i < 4; ++i) QVERIFY(!form2.fieldList().isSelected(i));
    QVERIFY(fixture.boxes.boxes.empty());
  }

  void backShowsTheDatabaseWindowAndKeepsEverything() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    form2.show();
    form1.hide();
    form2.tableList().add(u"Orders");
    addFields(form2, {u"City"});
    form2.Combo1().setCurrentIndex(2);
    QTest::mouseClick(&form2.PushButton1(), Qt::LeftButton);
    QVERIFY(form1.isVisible());
    QVERIFY(!form2.isVisible());
    QCOMPARE(form2.caseListText(), u"Proper Case");
    QCOMPARE(form2.tableList().count(), 1);
    QCOMPARE(form2.fieldList().count(), 1);
    // Going on again reuses the loaded window: one header per list.
    QCOMPARE(&form1.form2(), &form2);
    for (Controls::ReportList* list : {&form2.ListView1(), &form2.ListView2(), &form2.ListView3()})
      QCOMPARE(list->columnHeaderCount(), 1);
    QCOMPARE(form2.Combo1().count(), 5);
    QVERIFY(fixture.boxes.boxes.empty());
  }

  void whileARunIsUnderWayTheListsStayAsTheyAre() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    form2.show();
    form1.hide();
    QVERIFY(QTest::qWaitForWindowExposed(&form2));
    form2.tableList().add(u"Orders");
    form2.tableList().add(u"Customers");
    addFields(form2, {u"A", u"B"});
    const Run::RunGuard run = form2.guardRun();
    QVERIFY(form2.runUnderWay());
    form2.PushButton2_Click();
    QVERIFY(!form2.fieldList().isSelected(1));
    form2.fieldList().setSelected(0, true);
    form2.PushButton3_Click();
    QVERIFY(form2.fieldList().isSelected(0));
    form2.PushButton1_Click();
    QVERIFY(form2.isVisible());
    QVERIFY(!form1.isVisible());
    // A click on another table changes neither the selection nor the lists.
    QTreeWidgetItem* customers = form2.ListView1().topLevelItem(1);
    const QPoint at = form2.ListView1().visualItemRect(customers).center();
    QTest::mouseClick(form2.ListView1().viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(form2.tableList().selectedItemText(), std::optional<std::u16string>(u"Orders"));
    QCOMPARE(form2.fieldList().count(), 2);
    // A second "Start Changing" is refused without a word.
    form2.PushButton4_Click();
    QVERIFY(fixture.boxes.boxes.empty());
    // The case list stays live.
    form2.Combo1().setCurrentIndex(3);
    QCOMPARE(form2.caseListText(), u"Sentence case");
  }

  void startChangingWithNoFieldsAsksForOne() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    QTest::mouseClick(&form2.PushButton4(), Qt::LeftButton);
    QCOMPARE(fixture.boxes.boxes.size(), size_t{1});
    QCOMPARE(fixture.boxes.boxes.front().text, QStringLiteral("Please select a field."));
    QVERIFY(!form2.runUnderWay());
  }

  void aFailingClickOnAListIsReportedUnderItsHandler() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    form1.Text1().setText(fixture.path(QStringLiteral("missing.mdb")));
    Form2& form2 = form1.form2();
    form2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form2));
    form2.tableList().add(u"Orders");
    const QPoint at = form2.ListView1().visualItemRect(form2.ListView1().topLevelItem(0)).center();
    QTest::mouseClick(form2.ListView1().viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(fixture.boxes.boxes.size(), size_t{1});
    QVERIFY(fixture.boxes.boxes.front().text.contains(
        QStringLiteral("\r\nin Casewick2021/08/31.Form2.ListView1_Click at line 100\r\r")));
    QCOMPARE(form2.pointer(), 0);
    // Moving to another table with the keys is a click as well.
    form2.tableList().add(u"Customers");
    form2.ListView1().setFocus();
    QTest::keyClick(&form2.ListView1(), Qt::Key_Down);
    QCOMPARE(form2.tableList().selectedItemText(), std::optional<std::u16string>(u"Customers"));
    QCOMPARE(fixture.boxes.boxes.size(), size_t{2});
    fixture.boxes.boxes.pop_back();
    form2.fieldList().add(u"City");
    form2.ListView2_Click();
    QCOMPARE(fixture.boxes.boxes.size(), size_t{2});
    QVERIFY(fixture.boxes.boxes.back().text.contains(
        QStringLiteral("in Casewick2021/08/31.Form2.ListView2_Click at line 100")));
    QCOMPARE(form2.pointer(), 0);
  }

  void listsExplainHowToWidenTheirColumn() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    form2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form2));
    form2.tableList().add(u"Orders");
    for (Controls::ReportList* list : {&form2.ListView1(), &form2.ListView3()}) {
      QToolTip::hideText();
      QTRY_VERIFY(!QToolTip::isVisible());
      const QPoint at = list->viewport()->rect().center();
      QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
      QApplication::sendEvent(list->viewport(), &help);
      QTRY_COMPARE(QToolTip::text(),
                   QStringLiteral("Move | line to right and out of window to reveal full names."));
    }
  }

  void closingEndsTheProgram() {
    uitest::Fixture fixture;
    Form1 form1(*fixture.settings, fixture.seams());
    Form2& form2 = form1.form2();
    form2.show();
    form1.hide();
    QVERIFY(form2.close());
    QCOMPARE(fixture.programEnds, 1);
  }
};

QTEST_MAIN(Form2Test)
#include "form2_test.moc"
