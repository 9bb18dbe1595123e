// The real message boxes: a report naming a table such as "<b>x</b>" shows
// that name as it is and keeps its line breaks.

#include <QLabel>
#include <QMessageBox>
#include <QtTest>

#include "app/frame/qt_message_box.h"
#include "app/main/error_report.h"

class MessageBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void applicationErrorReportIsPlainText() {
    const QString description = QStringLiteral("Cannot find the input table or query '<b>x</b>'.");
    const QString text = Main::ApplicationErrorText(description, QStringLiteral("Form2"), 104);
    auto box = Main::QtMessageBoxSeam::makeBox({.title = QStringLiteral("Application Error"),
                                                .text = text,
                                                .icon = Main::MessageIcon::Warning,
                                                .buttons = Main::MessageButtons::Ok});
    QCOMPARE(box->textFormat(), Qt::PlainText);
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY(label->text().contains(QStringLiteral("'<b>x</b>'")));
    QVERIFY(!label->text().contains(QLatin1Char('\r')));
    QCOMPARE(label->text().count(QLatin1Char('\n')), text.count(QLatin1Char('\r')));
  }

  void yesNoBoxesArePlainTextToo() {
    auto box = Main::QtMessageBoxSeam::makeBox({.title = QString(),
                                                .text = QStringLiteral("<i>a</i>\r\n\r\nb"),
                                                .icon = Main::MessageIcon::None,
                                                .buttons = Main::MessageButtons::YesNo});
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->text(), QStringLiteral("<i>a</i>\n\nb"));
    QVERIFY(box->button(QMessageBox::Yes));
    QVERIFY(box->button(QMessageBox::No));
  }
};

QTEST_MAIN(MessageBoxTest)
#include "message_box_test.moc"
