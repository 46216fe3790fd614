// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutwindow.h"
#include "fakes.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

namespace {

const QUrl homePage(QStringLiteral("https://kvadrilka.example.org/"));

// An about window over fakes, opened as the settings window opens it.
struct About
{
    FakePlatform fakes;
    AboutWindow window{fakes.platform()};

    About() { window.open(); }
    template <typename Control = QWidget> Control *control(const char *name) const
    {
        // Controls of a closed window go at the next turn of the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.findChild<Control *>(QLatin1String(name));
    }
    // One step of the hand or the keyboard, as written in the tables.
    void act(const QString &step)
    {
        static const QHash<QString, Qt::MouseButton> buttons{
            {"left", Qt::LeftButton}, {"right", Qt::RightButton}, {"middle", Qt::MiddleButton}};
        static const QHash<QString, int> keys{
            {"space", Qt::Key_Space}, {"enter", Qt::Key_Enter}, {"return", Qt::Key_Return}};
        QWidget *link = control("Label19");
        const QPoint at(5, 5);
        if (step == "portrait")
            QTest::mouseClick(control("Picture1"), Qt::RightButton);
        if (buttons.contains(step))
            QTest::mouseClick(link, buttons[step], {}, at);
        // A double click is the first click, then the double-click event in place of a press.
        if (step == "double")
            QTest::mouseDClick(link, Qt::LeftButton, {}, at);
        if (step == "press")
            QTest::mousePress(link, Qt::LeftButton, {}, at);
        if (step == "double" || step == "let go off")
            QTest::mouseRelease(link, Qt::LeftButton, {}, step == "double" ? at : QPoint(5, -20));
        // A held key: one press, then the presses the keyboard repeats.
        for (int i = 0; keys.contains(step) && i < 3; ++i) {
            QKeyEvent press(QEvent::KeyPress, keys[step], Qt::NoModifier, QString(), i > 0);
            QCoreApplication::sendEvent(link, &press);
        }
        if (step == "reopen") {
            // Closed, the window lets its controls go; opened again, it makes fresh ones.
            QPointer<QWidget> school = control("Text3");
            window.close();
            QVERIFY(!control("Text3") && !school);
            window.open();
        }
    }
};

} // namespace

class tst_AboutWindow : public QObject
{
    Q_OBJECT
private slots:
    void instructionsAreExactAndInViewOnDarkGreen();
    void clicksAndKeys_data();
    void clicksAndKeys();
};

void tst_AboutWindow::instructionsAreExactAndInViewOnDarkGreen()
{
    const QString expected =
        QStringLiteral("Данная программа предназначена для тренировки управления мышкой. Сначала, "
                       "если нужно, то измените опции тренировки : уровень сложности и вид "
                       "тренировки. А дальше - \"Старт\" или \"Выход\", в зависимости от "
                       "сообразительности.  \r\n") +
        QString(62, ' ') + "\r\n" + QString(14, ' ') + QStringLiteral("Правила игры просты:\r\n") +
        QString(63, ' ') + "\r\n" +
        QStringLiteral("Щёлкать мышкой по появляющемуся квадратику левой или правой кнопкой, в "
                       "зависимости от выбранного Вами режима. Старайтесь не промахиваться, "
                       "потому что программа всеми силами будет Вам мешать получить "
                       "\"Пятёрку\".\r\n");
    QCOMPARE(expected.size(), 600);
    About about;
    auto *text = about.control<QPlainTextEdit>("Text2");
    QCOMPARE(text->toPlainText().replace('\n', "\r\n"), expected);

    // There are no scroll bars: every line must be in view but the empty one after the last break.
    QCOMPARE(text->horizontalScrollBar()->maximum(), 0);
    const QTextDocument *document = text->document();
    qreal bottom = document->documentMargin();
    for (QTextBlock block = document->begin(); block != document->lastBlock(); block = block.next())
        bottom += document->documentLayout()->blockBoundingRect(block).height();
    QVERIFY2(bottom <= text->viewport()->height(), qPrintable(QString::number(bottom)));

    // Dark green behind everything; the school in green, the link in cyan, the texts in white.
    const QImage shot = about.window.grab().toImage();
    QHash<QRgb, int> pixels;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            ++pixels[shot.pixel(x, y)];
    QVERIFY(pixels.value(qRgb(0, 0x40, 0)) * 2 > shot.width() * shot.height());
    for (const QRgb ink : {qRgb(0, 255, 0), qRgb(0, 255, 255), qRgb(255, 255, 255)})
        QVERIFY2(pixels.value(ink) > 0, qPrintable(QString::number(ink, 16)));
}

void tst_AboutWindow::clicksAndKeys_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("opened");
    QTest::addColumn<int>("quits");
    QTest::addColumn<int>("boxes");
    QTest::newRow("every button") << QStringList{"left", "right", "middle"} << 3 << 0 << 0;
    QTest::newRow("let go off the link") << QStringList{"press", "let go off"} << 0 << 0 << 0;
    QTest::newRow("double click is one") << QStringList{"left", "double"} << 1 << 0 << 0;
    QTest::newRow("held keys") << QStringList{"space", "enter", "return"} << 3 << 0 << 0;
    QTest::newRow("reopened") << QStringList{"left", "reopen", "left"} << 2 << 0 << 0;
    QTest::newRow("portrait") << QStringList{"portrait"} << 0 << 1 << 0;
    QTest::newRow("browser fails") << QStringList{"fails", "left"} << 1 << 0 << 1;
    QTest::newRow("browser fails, no round")
        << QStringList{"fails", "no round", "left"} << 1 << 0 << 1;
}

void tst_AboutWindow::clicksAndKeys()
{
    QFETCH(QStringList, steps);
    QFETCH(int, opened);
    QFETCH(int, quits);
    QFETCH(int, boxes);
    About about;
    // A round runs under the window unless the row says otherwise.
    const bool roundRunning = !steps.contains("no round");
    about.fakes.browserSucceeds = !steps.contains("fails");
    about.fakes.timer.setInterval(3000);
    about.fakes.timer.setEnabled(roundRunning);
    const int restartsBefore = about.fakes.timer.restarts;
    bool tickedUnderABox = false;
    about.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) {
        tickedUnderABox = about.fakes.timer.fire() || tickedUnderABox;
    };
    for (const QString &step : steps)
        about.act(step);
    QCOMPARE(about.fakes.opened, QList<QUrl>(opened, homePage));
    QCOMPARE(about.fakes.browsersMade, opened ? 1 : 0);
    QCOMPARE(about.fakes.quit.count, quits);
    QCOMPARE(about.fakes.messages.shown.size(), boxes);
    QVERIFY(!tickedUnderABox);
    QCOMPARE(about.fakes.timer.isEnabled(), roundRunning);
    // Started again after a box, the round gets a whole interval, as after the game's notices.
    QCOMPARE(about.fakes.timer.restarts - restartsBefore, roundRunning ? boxes : 0);
}

QTEST_MAIN(tst_AboutWindow)
#include "tst_aboutwindow.moc"
