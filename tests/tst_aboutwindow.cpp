// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutwindow.h"
#include "classicfont.h"
#include "fakes.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTextBlock>

namespace {

const QUrl homePage(QStringLiteral("https://kvadrilka.example.org/"));
const QColor darkGreen(0x00, 0x40, 0x00);

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
    void click(const char *name, Qt::MouseButton button = Qt::LeftButton) const
    {
        QWidget *target = control(name);
        QTest::mouseClick(target, button, {}, target->rect().center());
    }
};

int pixelsOf(const QImage &image, const QColor &colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour ? 1 : 0;
    }
    return count;
}

} // namespace

class tst_AboutWindow : public QObject
{
    Q_OBJECT
private slots:
    void windowIsAFixedDarkGreenDialogInTheCentre();
    void controlsHaveTheirPlaceAndLook_data();
    void controlsHaveTheirPlaceAndLook();
    void instructionsAreWholeAndInView();
    void shortTextsAreExactAndFit();
    void portraitIsAColourPictureInAFittingFrame();
    void keyboardWalksTheDesignedOrderAndFollowsTheLink();
    void clicks_data();
    void clicks();
    void linkNeedsPressAndReleaseOnIt();
    void browserIsMadeOnceAndOutlivesTheWindow();
    void failedOpeningIsReportedAndWindowGoesOn();
    void failedOpeningHoldsTheRoundWhileItsNoticeIsUp_data();
    void failedOpeningHoldsTheRoundWhileItsNoticeIsUp();
    void heldKeyOpensThePageOnce_data();
    void heldKeyOpensThePageOnce();
    void openKeepsALoadedWindowAndReloadsAClosedOne();
};

void tst_AboutWindow::windowIsAFixedDarkGreenDialogInTheCentre()
{
    About about;
    QCOMPARE(about.window.windowTitle(), QStringLiteral("О программе"));
    QCOMPARE(about.window.minimumSize(), QSize(431, 278));
    QCOMPARE(about.window.maximumSize(), QSize(431, 278));
    const Qt::WindowFlags flags = about.window.windowFlags();
    QVERIFY(!(flags & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(about.window.grab().toImage().pixelColor(420, 270), darkGreen);
    // Placed so that a window of its size at its position is centred on the screen.
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QCOMPARE(QRect(about.window.pos(), about.window.size()).center(), centre);
}

void tst_AboutWindow::controlsHaveTheirPlaceAndLook_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QColor>("ink");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("accessible");

    QTest::newRow("school") << "Text3" << QRect(160, 8, 249, 25) << QColor(0, 255, 0) << 9.75
                            << true << "Самая прикольная школа в России."
                            << "Школа автора";
    QTest::newRow("instructions") << "Text2" << QRect(160, 48, 249, 209) << QColor(Qt::white)
                                  << 8.25 << false << ""
                                  << "Назначение программы и правила игры";
    QTest::newRow("invitation") << "Label16" << QRect(24, 168, 113, 57) << QColor(Qt::white) << 8.25
                                << false << ""
                                << "Как написать автору";
    QTest::newRow("link") << "Label19" << QRect(32, 224, 97, 17) << QColor(0, 255, 255) << 9.75
                          << false << "Захады нэ бойса, виходи - не плач."
                          << "Домашняя страница автора";
}

void tst_AboutWindow::controlsHaveTheirPlaceAndLook()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QFETCH(QColor, ink);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(QString, tip);
    QFETCH(QString, accessible);
    About about;
    QWidget *control = about.control(name.toLatin1());
    QCOMPARE(control->geometry(), place);
    QCOMPARE(control->font().family(), classicFont().family());
    QCOMPARE(control->font().pointSizeF(), points);
    QCOMPARE(control->font().bold(), bold);
    QCOMPARE(control->toolTip(), tip);
    QCOMPARE(control->accessibleName(), accessible);
    // Only the link shows the pointing hand, and only over itself.
    QCOMPARE(control->cursor().shape(),
             name == "Label19" ? Qt::PointingHandCursor : Qt::ArrowCursor);
    const QImage look = control->grab().toImage();
    QVERIFY(pixelsOf(look, darkGreen) * 2 > look.width() * look.height());
    QVERIFY2(pixelsOf(look, ink) > 0, qPrintable(ink.name()));
}

void tst_AboutWindow::instructionsAreWholeAndInView()
{
    const QString expected =
        QStringLiteral("Данная программа предназначена для тренировки управления мышкой. Сначала, "
                       "если нужно, то измените опции тренировки : уровень сложности и вид "
                       "тренировки. А дальше - \"Старт\" или \"Выход\", в зависимости от "
                       "сообразительности.  ") +
        "\r\n" + QString(62, ' ') + "\r\n" + QString(14, ' ') +
        QStringLiteral("Правила игры просты:") + "\r\n" + QString(63, ' ') + "\r\n" +
        QStringLiteral("Щёлкать мышкой по появляющемуся квадратику левой или правой кнопкой, в "
                       "зависимости от выбранного Вами режима. Старайтесь не промахиваться, "
                       "потому что программа всеми силами будет Вам мешать получить "
                       "\"Пятёрку\".") +
        "\r\n";
    QCOMPARE(expected.size(), 600);
    About about;
    QVERIFY(QTest::qWaitForWindowExposed(&about.window));
    auto *text = about.control<QPlainTextEdit>("Text2");
    QCOMPARE(text->toPlainText().replace('\n', "\r\n"), expected);
    QVERIFY(text->isReadOnly());

    const QTextDocument *document = text->document();
    QCOMPARE(document->blockCount(), 6);
    qreal bottom = document->documentMargin();
    for (QTextBlock block = document->begin(); block != document->lastBlock();
         block = block.next()) {
        const qreal height = document->documentLayout()->blockBoundingRect(block).height();
        // The lines of blanks keep a line of room between the paragraphs.
        QVERIFY(height >= text->fontMetrics().lineSpacing());
        bottom += height;
    }
    // There is no scroll bar: all of it must be in view.
    QVERIFY2(bottom <= text->viewport()->height(), qPrintable(QString::number(bottom)));
}

void tst_AboutWindow::shortTextsAreExactAndFit()
{
    About about;
    auto *school = about.control<QLineEdit>("Text3");
    QCOMPARE(school->text(), QStringLiteral("Школа № 17, посёлок Сосновка"));
    QVERIFY(school->isReadOnly());
    QCOMPARE(school->alignment(), Qt::AlignCenter);
    QVERIFY(school->fontMetrics().horizontalAdvance(school->text()) < school->width() - 8);

    auto *invitation = about.control<QLabel>("Label16");
    QCOMPARE(invitation->text(), QStringLiteral("Имеющие доступ к Internet, смогут  сказать мне "
                                                "пару ласковых слов на "));
    QVERIFY(invitation->wordWrap());
    QVERIFY(invitation->heightForWidth(invitation->width()) <= invitation->height());

    auto *link = about.control<QLabel>("Label19");
    QCOMPARE(link->text(), QStringLiteral("a@example.org"));
    QVERIFY(link->sizeHint().width() <= link->width());
}

void tst_AboutWindow::portraitIsAColourPictureInAFittingFrame()
{
    About about;
    auto *portrait = about.control<QLabel>("Picture1");
    QCOMPARE(portrait->pixmap().size(), QSize(100, 133));
    QCOMPARE(portrait->contentsRect().size(), QSize(100, 133));
    QCOMPARE(portrait->frameShape(), QFrame::WinPanel);
    QCOMPARE(portrait->frameShadow(), QFrame::Sunken);
    QVERIFY(!portrait->pixmap().toImage().allGray());
    QCOMPARE(portrait->accessibleName(), QStringLiteral("Фотография автора"));
    QCOMPARE(portrait->toolTip(), QStringLiteral("Здесь нет ничего интересного. Это просто моя "
                                                 "фотография. И не надо ковыряться мышкой у меня "
                                                 "в носу !!!"));
}

void tst_AboutWindow::keyboardWalksTheDesignedOrderAndFollowsTheLink()
{
    About about;
    // The portrait comes first and the invitation last, but neither takes the keyboard.
    QCOMPARE(about.control("Picture1")->focusPolicy(), Qt::NoFocus);
    QCOMPARE(about.control("Label16")->focusPolicy(), Qt::NoFocus);
    QStringList visited{about.window.focusWidget()->objectName()};
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab}) {
        QTest::keyClick(about.window.focusWidget(), key);
        visited.append(about.window.focusWidget()->objectName());
    }
    QCOMPARE(visited, QStringList({"Text2", "Text3", "Label19", "Text2", "Label19"}));
    QTest::keyClick(about.window.focusWidget(), Qt::Key_A);
    QCOMPARE(about.fakes.opened.size(), 0);
    QTest::keyClick(about.window.focusWidget(), Qt::Key_Return);
    QTest::keyClick(about.window.focusWidget(), Qt::Key_Space);
    QCOMPARE(about.fakes.opened, QList<QUrl>(2, homePage));
}

void tst_AboutWindow::clicks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("quits");
    QTest::newRow("link once") << "Label19" << Qt::LeftButton << 1 << 0;
    QTest::newRow("link thrice") << "Label19" << Qt::LeftButton << 3 << 0;
    QTest::newRow("link, right button") << "Label19" << Qt::RightButton << 1 << 0;
    QTest::newRow("link, middle button") << "Label19" << Qt::MiddleButton << 1 << 0;
    QTest::newRow("portrait") << "Picture1" << Qt::LeftButton << 1 << 1;
    QTest::newRow("portrait, right button") << "Picture1" << Qt::RightButton << 1 << 1;
}

void tst_AboutWindow::clicks()
{
    QFETCH(QString, name);
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, clicks);
    QFETCH(int, quits);
    About about;
    for (int i = 0; i < clicks; ++i)
        about.click(name.toLatin1(), button);
    // Every click on the link opens the page anew; the portrait ends the program instead.
    QCOMPARE(about.fakes.opened, QList<QUrl>(quits ? 0 : clicks, homePage));
    QCOMPARE(about.fakes.browsersMade, quits ? 0 : 1);
    QCOMPARE(about.fakes.quit.count, quits);
    QVERIFY(about.fakes.messages.shown.isEmpty());
}

void tst_AboutWindow::linkNeedsPressAndReleaseOnIt()
{
    About about;
    auto *link = about.control("Label19");
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(5, -20));
    QCOMPARE(about.fakes.opened.size(), 0);

    // A double click is a click and then the double click, which is no second click.
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(about.fakes.opened.size(), 1);
}

void tst_AboutWindow::browserIsMadeOnceAndOutlivesTheWindow()
{
    About about;
    about.click("Label19");
    about.click("Label19");
    about.window.close();
    about.window.open();
    about.click("Label19");
    QCOMPARE(about.fakes.browsersMade, 1);
    QCOMPARE(about.fakes.opened, QList<QUrl>(3, homePage));
}

void tst_AboutWindow::failedOpeningIsReportedAndWindowGoesOn()
{
    About about;
    about.fakes.browserSucceeds = false;
    about.click("Label19");
    about.click("Label19");
    QCOMPARE(about.fakes.messages.shown.size(), 2);
    const FakeMessageBox::Shown notice = about.fakes.messages.shown.last();
    QCOMPARE(notice.text, QStringLiteral("Не удалось открыть страницу автора в браузере.\r\n"
                                         "Её адрес: https://kvadrilka.example.org/"));
    QCOMPARE(notice.buttons, int(MessageBox::OkOnly));
    QCOMPARE(notice.title, QStringLiteral("О программе"));
    QCOMPARE(about.fakes.quit.count, 0);
    QVERIFY(about.window.isVisible());

    about.fakes.browserSucceeds = true;
    about.click("Label19");
    QCOMPARE(about.fakes.opened.size(), 3);
    QCOMPARE(about.fakes.browsersMade, 1);
    QCOMPARE(about.fakes.messages.shown.size(), 2);
}

void tst_AboutWindow::failedOpeningHoldsTheRoundWhileItsNoticeIsUp_data()
{
    QTest::addColumn<bool>("roundRunning");
    QTest::newRow("round running") << true;
    QTest::newRow("no round") << false;
}

void tst_AboutWindow::failedOpeningHoldsTheRoundWhileItsNoticeIsUp()
{
    QFETCH(bool, roundRunning);
    About about;
    about.fakes.browserSucceeds = false;
    about.fakes.timer.setInterval(3000);
    about.fakes.timer.setEnabled(roundRunning);
    const int restartsBefore = about.fakes.timer.restarts;
    bool tickedUnderTheBox = true;
    about.fakes.messages.whileUp = [&](const FakeMessageBox::Shown &) {
        tickedUnderTheBox = about.fakes.timer.fire();
    };
    about.click("Label19");
    QCOMPARE(about.fakes.messages.shown.size(), 1);
    QVERIFY(!tickedUnderTheBox);
    QCOMPARE(about.fakes.timer.isEnabled(), roundRunning);
    // Started again, the round gets a whole interval, as after the game's own notices.
    QCOMPARE(about.fakes.timer.restarts - restartsBefore, roundRunning ? 1 : 0);
}

void tst_AboutWindow::heldKeyOpensThePageOnce_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("space") << Qt::Key_Space;
    QTest::newRow("return") << Qt::Key_Return;
    QTest::newRow("enter") << Qt::Key_Enter;
}

void tst_AboutWindow::heldKeyOpensThePageOnce()
{
    QFETCH(Qt::Key, key);
    About about;
    QWidget *link = about.control("Label19");
    link->setFocus();
    for (const bool repeated : {false, true, true, true}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), repeated);
        QCoreApplication::sendEvent(link, &press);
    }
    QCOMPARE(about.fakes.opened, QList<QUrl>{homePage});
}

void tst_AboutWindow::openKeepsALoadedWindowAndReloadsAClosedOne()
{
    About about;
    QPointer<QLineEdit> school = about.control<QLineEdit>("Text3");
    school->setSelection(0, 5);
    about.window.move(10, 20);
    about.window.open();
    QCOMPARE(about.control<QLineEdit>("Text3"), school.data());
    QCOMPARE(about.window.findChildren<QLineEdit *>().size(), 1);
    QCOMPARE(about.window.pos(), QPoint(10, 20));

    about.window.close();
    QVERIFY(!about.window.isLoaded());
    QVERIFY(!about.control("Text3"));
    QVERIFY(!school);
    about.window.open();
    QVERIFY(about.window.isVisible());
    QVERIFY(!about.control<QLineEdit>("Text3")->hasSelectedText());
    QCOMPARE(about.control<QLabel>("Label19")->text(), QStringLiteral("a@example.org"));
    QVERIFY(about.window.pos() != QPoint(10, 20));
}

QTEST_MAIN(tst_AboutWindow)
#include "tst_aboutwindow.moc"
