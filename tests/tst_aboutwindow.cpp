// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutwindow.h"
#include "fakes.h"
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <span>

// Steps besides a mouse button clicked on the link and a key held down on it.
enum Step { Double = -1, LetGoOff = -2, Portrait = -3, Reopen = -4 };
// How a held key's repeats come: flagged; not flagged; or, as from X when its repeated release
// and press reach Qt apart, as a release and a press at one time.
enum Repeats { Flagged, Unflagged, ReleasedApart };
struct Row
{
    QList<int> steps;
    int opened = 0, quits = 0, boxes = 0;
    bool fails = false;
    Repeats repeats = Flagged;
};

void sendKey(QWidget *to, QEvent::Type type, int key, quint64 time, bool repeat = false)
{
    QKeyEvent event(type, key, Qt::NoModifier, {}, repeat);
    event.setTimestamp(time);
    QApplication::sendEvent(to, &event);
}

class tst_AboutWindow : public QObject
{
    Q_OBJECT
private slots:
    void instructionsAreInViewOnDarkGreen()
    {
        FakePlatform fakes;
        AboutWindow window(fakes.platform());
        window.open();
        auto *ed = window.findChild<QPlainTextEdit *>("Text2");
        QCOMPARE(ed->toPlainText().replace('\n', "\r\n").size(), 600);
        // No scroll bars: every line is in view but the empty one after the last break.
        QVERIFY(!ed->horizontalScrollBar()->maximum() && ed->verticalScrollBar()->maximum() <= 1);
        // Dark green behind everything; the school in green, the link in cyan, the texts in white.
        const QImage img = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const std::span px(reinterpret_cast<const QRgb *>(img.constBits()), img.sizeInBytes() / 4);
        QVERIFY(std::ranges::count(px, qRgb(0, 0x40, 0)) * 2 > qsizetype(px.size()));
        for (const QRgb ink : {qRgb(0, 255, 0), qRgb(0, 255, 255), qRgb(255, 255, 255)})
            QVERIFY2(std::ranges::count(px, ink) > 0, qPrintable(QString::number(ink, 16)));
    }
    void clicksAndKeys_data()
    {
        QTest::addColumn<Row>("row");
        QTest::newRow("buttons") << Row{{Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}, 3};
        QTest::newRow("let go off, double click") << Row{{LetGoOff, Qt::LeftButton, Double}, 1};
        QTest::newRow("held keys") << Row{{Qt::Key_Space, Qt::Key_Enter, Qt::Key_Return}, 3};
        QTest::newRow("held keys, repeats unflagged")
            << Row{{Qt::Key_Space, Qt::Key_Return}, 2, 0, 0, false, Unflagged};
        QTest::newRow("held keys, repeats released apart")
            << Row{{Qt::Key_Space, Qt::Key_Space, Qt::Key_Enter}, 3, 0, 0, false, ReleasedApart};
        QTest::newRow("reopened") << Row{{Qt::LeftButton, Reopen, Qt::LeftButton}, 2};
        QTest::newRow("portrait") << Row{{Portrait}, 0, 1};
        QTest::newRow("browser fails") << Row{{Qt::LeftButton, Qt::LeftButton}, 2, 0, 2, true};
    }
    void clicksAndKeys()
    {
        QFETCH(Row, row);
        FakePlatform fakes;
        AboutWindow window(fakes.platform());
        window.open();
        fakes.browserSucceeds = !row.fails;
        quint64 time = 1000;
        for (const int step : row.steps) {
            QPointer<QWidget> link = window.findChild<QWidget *>("Label19");
            if (step > 0 && step < Qt::Key_Space)
                QTest::mouseClick(link, Qt::MouseButton(step));
            // The second click of a double click comes as the double-click event alone.
            if (step == Double || step == LetGoOff) {
                QTest::mouseEvent(step == Double ? QTest::MouseDClick : QTest::MousePress, link,
                                  Qt::LeftButton, {}, {});
                QTest::mouseRelease(link, Qt::LeftButton, {},
                                    step == Double ? QPoint() : QPoint(5, -20));
            }
            // A held key: one press, then the presses the keyboard repeats, then the release.
            for (int i = 0; step >= Qt::Key_Space && i < 4; ++i) {
                time += 33;
                if (i > 0 && row.repeats == ReleasedApart)
                    sendKey(link, QEvent::KeyRelease, step, time);
                sendKey(link, QEvent::KeyPress, step, time, i > 0 && row.repeats == Flagged);
            }
            if (step >= Qt::Key_Space)
                sendKey(link, QEvent::KeyRelease, step, time += 400);
            if (step == Portrait)
                QTest::mouseClick(window.findChild<QWidget *>("Picture1"), Qt::RightButton);
            if (step == Reopen) {
                window.close();
                QTRY_VERIFY(!link);
                window.open();
            }
        }
        QCOMPARE(fakes.opened, QList<QUrl>(row.opened, QUrl("https://kvadrilka.example.org/")));
        QVERIFY(fakes.browsersMade == (row.opened ? 1 : 0) && fakes.quit.count == row.quits);
        QCOMPARE(fakes.messages.shown.size(), row.boxes);
    }
};

QTEST_MAIN(tst_AboutWindow)
#include "tst_aboutwindow.moc"
