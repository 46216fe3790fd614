// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtmessagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

class tst_QtMessageBox : public QObject
{
    Q_OBJECT
private slots:
    void answersWithTheButtonsCode_data();
    void answersWithTheButtonsCode();
    void showsTitleTextAndButtonsInOrder();

private:
    // Runs the check on the box once it is up, then lets the box answer.
    int showAndThen(int buttons, std::function<void(QMessageBox *)> act);
};

int tst_QtMessageBox::showAndThen(int buttons, std::function<void(QMessageBox *)> act)
{
    QTimer::singleShot(0, this, [act] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        act(box);
    });
    QtMessageBox messages;
    return messages.show(QStringLiteral(" a\r\n\r\n  b"), buttons, QStringLiteral("   title"));
}

void tst_QtMessageBox::answersWithTheButtonsCode_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("answer");
    QTest::newRow("ok") << 0 << "Ok" << 1;
    QTest::newRow("ok box closed") << 0 << "" << 1;
    QTest::newRow("cancel") << 6 << "Cancel" << 2;
    QTest::newRow("try again") << 6 << "TryAgain" << 10;
    QTest::newRow("continue") << 6 << "Continue" << 11;
    QTest::newRow("result box closed") << 6 << "" << 2;
}

void tst_QtMessageBox::answersWithTheButtonsCode()
{
    QFETCH(int, buttons);
    QFETCH(QString, press);
    QFETCH(int, answer);
    const int got = showAndThen(buttons, [press](QMessageBox *box) {
        if (press.isEmpty())
            box->close();
        else
            QTest::mouseClick(box->findChild<QPushButton *>(press), Qt::LeftButton);
    });
    QCOMPARE(got, answer);
}

void tst_QtMessageBox::showsTitleTextAndButtonsInOrder()
{
    QString title, text;
    QStringList labels;
    showAndThen(6, [&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        QList<QPushButton *> buttons;
        for (const char *name : {"Cancel", "TryAgain", "Continue"})
            buttons.append(box->findChild<QPushButton *>(QLatin1String(name)));
        for (QPushButton *button : buttons)
            labels.append(button->text());
        QVERIFY(buttons[0]->x() < buttons[1]->x());
        QVERIFY(buttons[1]->x() < buttons[2]->x());
        QVERIFY(box->isModal());
        box->close();
    });
    QCOMPARE(title, QStringLiteral("   title"));
    QCOMPARE(text, QStringLiteral(" a\n\n  b"));
    QCOMPARE(labels, (QStringList{"Отмена", "Повторить", "Продолжить"}));

    showAndThen(0, [&](QMessageBox *box) {
        labels = {box->findChild<QPushButton *>("Ok")->text()};
        QCOMPARE(box->buttons().size(), 1);
        box->close();
    });
    QCOMPARE(labels, QStringList{"ОК"});
}

QTEST_MAIN(tst_QtMessageBox)
#include "tst_qtmessagebox.moc"
