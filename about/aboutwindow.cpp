// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutwindow.h"
#include "classicfont.h"
#include "design.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include <cstdint>

namespace {

// The author's details, kept together so that they are changed in one place.
const QString schoolName = QStringLiteral("Школа № 17, посёлок Сосновка");
const QString emailAddress = QStringLiteral("a@example.org");
const QUrl homePage(QStringLiteral("https://kvadrilka.example.org/"));

const QString instructions =
    QStringLiteral("Данная программа предназначена для тренировки управления мышкой. Сначала, "
                   "если нужно, то измените опции тренировки : уровень сложности и вид "
                   "тренировки. А дальше - \"Старт\" или \"Выход\", в зависимости от "
                   "сообразительности.  \r\n") +
    QString(62, QLatin1Char(' ')) + QStringLiteral("\r\n") + QString(14, QLatin1Char(' ')) +
    QStringLiteral("Правила игры просты:\r\n") + QString(63, QLatin1Char(' ')) +
    QStringLiteral("\r\nЩёлкать мышкой по появляющемуся квадратику левой или правой кнопкой, в "
                   "зависимости от выбранного Вами режима. Старайтесь не промахиваться, потому "
                   "что программа всеми силами будет Вам мешать получить \"Пятёрку\".\r\n");

// Colours are written 0xBBGGRR.
constexpr std::uint32_t backColour = 0x004000;
constexpr std::uint32_t schoolColour = 0x00FF00;
constexpr std::uint32_t linkColour = 0xFFFF00;

void setColours(QWidget *control, const QColor &text, std::uint32_t back)
{
    QPalette colours = control->palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text})
        colours.setColor(role, text);
    for (const auto role : {QPalette::Window, QPalette::Base})
        colours.setColor(role, fromBgr(back));
    control->setPalette(colours);
    control->setAutoFillBackground(true);
}

template <typename Control>
Control *make(QWidget *parent, const char *name, const QRect &twipsRect, const QString &accessible)
{
    auto *control = new Control(parent);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twips::toPixels(twipsRect));
    control->setAccessibleName(accessible);
    return control;
}

bool isClickButton(Qt::MouseButton button)
{
    return button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
}

} // namespace

AboutWindow::AboutWindow(const Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_platform(platform)
{
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("О программе"));
    setFixedSize(clientWidth, clientHeight);
    setFont(classicFont());
    QPalette back = palette();
    back.setColor(QPalette::Window, fromBgr(backColour));
    setPalette(back);
    setAutoFillBackground(true);
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::open()
{
    load();
    show();
    raise();
    activateWindow();
}

void AboutWindow::load()
{
    if (m_loaded)
        return;
    createControls();
    m_loaded = true;
    centreOnScreen(this);
}

void AboutWindow::createControls()
{
    Picture1 = make<QLabel>(this, "Picture1", QRect(360, 240, 1575, 2055),
                            QStringLiteral("Фотография автора"));
    Picture1->setPixmap(QPixmap(QStringLiteral(":/about/portrait.png")));
    // A sunken frame two pixels wide that fits the picture exactly.
    Picture1->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    Picture1->resize(Picture1->pixmap().size() + QSize(4, 4));
    Picture1->setToolTip(QStringLiteral("Здесь нет ничего интересного. Это просто моя фотография. "
                                        "И не надо ковыряться мышкой у меня в носу !!!"));

    Text3 =
        make<QLineEdit>(this, "Text3", QRect(2400, 120, 3735, 375), QStringLiteral("Школа автора"));
    Text3->setText(schoolName);
    Text3->setAlignment(Qt::AlignCenter);
    Text3->setReadOnly(true);
    Text3->setFont(classicFont(9.75, true));
    setColours(Text3, fromBgr(schoolColour), backColour);
    Text3->setToolTip(QStringLiteral("Самая прикольная школа в России."));

    Text2 = make<QPlainTextEdit>(this, "Text2", QRect(2400, 720, 3735, 3135),
                                 QStringLiteral("Назначение программы и правила игры"));
    Text2->setPlainText(instructions);
    Text2->setReadOnly(true);
    Text2->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text2->setTabChangesFocus(true);
    // The lines of blanks between the paragraphs must wrap like any other text, never scroll.
    Text2->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // The whole text fits; a scroll bar would only take room from it.
    Text2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setColours(Text2, Qt::white, backColour);

    Label16 = make<QLabel>(this, "Label16", QRect(360, 2520, 1695, 855),
                           QStringLiteral("Как написать автору"));
    Label16->setTextFormat(Qt::PlainText);
    Label16->setText(QStringLiteral("Имеющие доступ к Internet, смогут  сказать мне пару ласковых "
                                    "слов на "));
    Label16->setWordWrap(true);
    Label16->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setColours(Label16, Qt::white, backColour);

    Label19 = make<QLabel>(this, "Label19", QRect(480, 3360, 1455, 255),
                           QStringLiteral("Домашняя страница автора"));
    Label19->setTextFormat(Qt::PlainText);
    Label19->setText(emailAddress);
    Label19->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label19->setFont(classicFont(9.75));
    setColours(Label19, fromBgr(linkColour), backColour);
    Label19->setCursor(Qt::PointingHandCursor);
    Label19->setToolTip(QStringLiteral("Захады нэ бойса, виходи - не плач."));
    // The link can be reached with Tab and followed with Enter or Space as well.
    Label19->setFocusPolicy(Qt::TabFocus);

    // The portrait and the invitation take no keyboard focus, so only these three are in turn.
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Label19);

    for (QWidget *control : std::initializer_list<QWidget *>{Picture1, Label19}) {
        control->installEventFilter(this);
    }
    for (QWidget *control :
         std::initializer_list<QWidget *>{Picture1, Text3, Text2, Label16, Label19}) {
        control->show();
    }
    Text2->setFocus();
}

void AboutWindow::closeEvent(QCloseEvent *event)
{
    if (m_loaded) {
        ::destroyControls(this, {Picture1, Text3, Text2, Label16, Label19});
        m_pressed = nullptr;
        m_loaded = false;
    }
    event->accept();
}

bool AboutWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Picture1 && watched != Label19)
        return QWidget::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (isClickButton(mouse->button()))
            m_pressed = watched;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        // A click is a press and a release of the same button, both over the control.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool click =
            m_pressed == watched && isClickButton(mouse->button()) &&
            static_cast<QWidget *>(watched)->rect().contains(mouse->position().toPoint());
        m_pressed = nullptr;
        if (click)
            handleClick(watched);
        return true;
    }
    case QEvent::MouseButtonDblClick:
        // The second press of a double click is no click of its own.
        m_pressed = nullptr;
        return true;
    case QEvent::KeyPress: {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        const int key = keyEvent->key();
        if (watched == Label19 &&
            (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
            // A held key repeats its press, flagged or not: when X's repeated release and press
            // reach Qt apart, they come as a real release and press, at one and the same time.
            const bool repeat = keyEvent->isAutoRepeat() || m_keysDown.contains(key) ||
                                (key == m_releasedKey && keyEvent->timestamp() != 0 &&
                                 keyEvent->timestamp() == m_releasedAt);
            m_keysDown.insert(key);
            if (!repeat)
                Label19_Click();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (watched == Label19 && !keyEvent->isAutoRepeat() && m_keysDown.remove(keyEvent->key())) {
            m_releasedKey = keyEvent->key();
            m_releasedAt = keyEvent->timestamp();
        }
        break;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        // A label draws no focus frame; underlining shows where the keyboard is. A key let go
        // elsewhere is let go.
        if (watched == Label19) {
            m_keysDown.clear();
            QFont font = Label19->font();
            font.setUnderline(event->type() == QEvent::FocusIn);
            Label19->setFont(font);
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void AboutWindow::handleClick(QObject *control)
{
    if (control == Picture1)
        Picture1_Click();
    else if (control == Label19)
        Label19_Click();
}

void AboutWindow::Label19_Click() { openHomePage(); }
void AboutWindow::Picture1_Click() { m_platform.quit.quit(); }

void AboutWindow::openHomePage()
{
    if (!m_browser)
        m_browser = m_platform.makeBrowser();
    if (m_browser && m_browser->open(homePage))
        return;
    // Not being able to show the page is no reason to stop the game: say so and go on. A round
    // under the box stands still, as under its own notices.
    m_platform.messages.show(QStringLiteral("Не удалось открыть страницу автора в браузере."
                                            "\r\nЕё адрес: %1")
                                 .arg(homePage.toString()),
                             MessageBox::OkOnly, QStringLiteral("О программе"));
}
