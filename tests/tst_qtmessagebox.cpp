// SPDX-License-Identifier: GPL-3.0-or-later
// The real notice box as the player sees it: title, text without CRs, buttons, their answers;
// the same under Qt's own Russian (run with LANG=ru_RU.UTF-8).
#include "appstart.h"
#include "qtmessagebox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class tst_QtMessageBox : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { loadQtTranslations(*QCoreApplication::instance()); }

    void answersWithTheButtonsCode_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("press"); // counted from the left; -1 closes the box instead
        QTest::addColumn<int>("answer");
        QTest::newRow("ok") << 0 << 0 << 1;
        QTest::newRow("ok box closed") << 0 << -1 << 1;
        QTest::newRow("cancel") << 6 << 0 << 2;
        QTest::newRow("try again") << 6 << 1 << 10;
        QTest::newRow("continue") << 6 << 2 << 11;
        QTest::newRow("result box closed") << 6 << -1 << 2;
    }

    void answersWithTheButtonsCode()
    {
        QFETCH(int, buttons);
        QFETCH(int, press);
        QFETCH(int, answer);
        QStringList seen; // title, text, labels left to right whatever the style's order of roles
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QList<QAbstractButton *> shown = box->buttons();
            std::ranges::sort(shown, {}, &QWidget::x);
            seen = {box->windowTitle(), box->text()};
            std::ranges::transform(shown, std::back_inserter(seen), &QAbstractButton::text);
            if (QAbstractButton *button = shown.value(press))
                return QTest::mouseClick(button, Qt::LeftButton);
            box->close();
        });
        QCOMPARE(QtMessageBox().show(" a\r\n\r\n  b", buttons, "   title"), answer);
        const QStringList ok{"ОК"}, result{"Отмена", "Повторить", "Продолжить"};
        QCOMPARE(seen, QStringList({"   title", " a\n\n  b"}) + (buttons ? result : ok));
    }
};

QTEST_MAIN(tst_QtMessageBox)
#include "tst_qtmessagebox.moc"
