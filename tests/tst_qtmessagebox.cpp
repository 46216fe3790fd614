// SPDX-License-Identifier: GPL-3.0-or-later
// The real notice box: its buttons in their order, their texts, and the codes they answer.
#include "qtmessagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class tst_QtMessageBox : public QObject
{
    Q_OBJECT
private slots:
    void answersWithTheButtonsCode_data();
    void answersWithTheButtonsCode();
};

void tst_QtMessageBox::answersWithTheButtonsCode_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("labels");
    const QStringList ok{"ОК"};
    const QStringList result{"Отмена", "Повторить", "Продолжить"};
    QTest::newRow("ok") << 0 << "Ok" << 1 << ok;
    QTest::newRow("ok box closed") << 0 << "" << 1 << ok;
    QTest::newRow("cancel") << 6 << "Cancel" << 2 << result;
    QTest::newRow("try again") << 6 << "TryAgain" << 10 << result;
    QTest::newRow("continue") << 6 << "Continue" << 11 << result;
    QTest::newRow("result box closed") << 6 << "" << 2 << result;
}

void tst_QtMessageBox::answersWithTheButtonsCode()
{
    QFETCH(int, buttons);
    QFETCH(QString, press);
    QFETCH(int, answer);
    QFETCH(QStringList, labels);
    QString title, text;
    QStringList seen;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        // Left to right, whatever the style's own order of roles.
        QList<QAbstractButton *> shown = box->buttons();
        std::sort(shown.begin(), shown.end(), [](auto *a, auto *b) { return a->x() < b->x(); });
        for (QAbstractButton *button : shown)
            seen.append(button->text());
        if (press.isEmpty())
            box->close();
        else
            QTest::mouseClick(box->findChild<QPushButton *>(press), Qt::LeftButton);
    });
    QtMessageBox messages;
    QCOMPARE(messages.show(QStringLiteral(" a\r\n\r\n  b"), buttons, QStringLiteral("   title")),
             answer);
    QCOMPARE(title, QStringLiteral("   title"));
    // Line breaks without the CR, which would show as a stray glyph.
    QCOMPARE(text, QStringLiteral(" a\n\n  b"));
    QCOMPARE(seen, labels);
}

QTEST_MAIN(tst_QtMessageBox)
#include "tst_qtmessagebox.moc"
