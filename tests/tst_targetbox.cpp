// SPDX-License-Identifier: GPL-3.0-or-later
#include "targetbox.h"

#include <QSignalSpy>
#include <QTest>

class tst_TargetBox : public QObject
{
    Q_OBJECT
private slots:
    void doubleClickNeedsBothClicksOnTheTarget_data();
    void doubleClickNeedsBothClicksOnTheTarget();
};

void tst_TargetBox::doubleClickNeedsBothClicksOnTheTarget_data()
{
    QTest::addColumn<QStringList>("clicksBefore");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QList<int>>("presses");
    QTest::addColumn<int>("doubleClicks");
    QTest::newRow("both on the target")
        << QStringList{"target"} << Qt::LeftButton << QList<int>{1} << 1;
    QTest::newRow("first on the field")
        << QStringList{"field"} << Qt::LeftButton << QList<int>{1} << 0;
    QTest::newRow("first on the field, right")
        << QStringList{"field"} << Qt::RightButton << QList<int>{2} << 0;
    QTest::newRow("first in another window")
        << QStringList{"other window"} << Qt::LeftButton << QList<int>{1} << 0;
    QTest::newRow("target, then the field")
        << QStringList{"target", "field"} << Qt::LeftButton << QList<int>{1, 1} << 0;
}

void tst_TargetBox::doubleClickNeedsBothClicksOnTheTarget()
{
    QFETCH(QStringList, clicksBefore);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QList<int>, presses);
    QFETCH(int, doubleClicks);
    QWidget field;
    field.resize(200, 200);
    auto *target = new TargetBox(&field);
    target->setGeometry(50, 50, 49, 49);
    QWidget otherWindow;
    field.show();
    otherWindow.show();
    QSignalSpy pressed(target, &TargetBox::pressed);
    QSignalSpy doubleClicked(target, &TargetBox::doubleClicked);

    for (const QString &where : clicksBefore) {
        QWidget *receiver = where == "target" ? target : where == "field" ? &field : &otherWindow;
        QTest::mouseClick(receiver, button, {}, QPoint(2, 24));
    }
    // Qt sends the second press of a double click as the double-click event alone.
    QTest::mouseDClick(target, button, {}, QPoint(1, 24));

    QList<int> codes;
    for (const QList<QVariant> &signal : pressed)
        codes.append(signal.at(0).toInt());
    QCOMPARE(codes, presses);
    QCOMPARE(doubleClicked.count(), doubleClicks);
}

QTEST_MAIN(tst_TargetBox)
#include "tst_targetbox.moc"
