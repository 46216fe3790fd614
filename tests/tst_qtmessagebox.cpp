// SPDX-License-Identifier: GPL-3.0-or-later
// The real notice box as the player sees it: title, text without CRs, buttons, their answers;
// and Qt's own texts in Russian, as both programs start them (run with LANG=ru_RU.UTF-8).
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
    // Qt's own texts, such as its file dialog's, read Russian on a Russian desktop.
    void qtsOwnTextsInTheDesktopsLanguage()
    {
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Detail View"), "Подробный вид");
    }

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

int main(int argc, char **argv)
{
    const auto app = startApplication(argc, argv, "0", "test");
    tst_QtMessageBox test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_qtmessagebox.moc"
