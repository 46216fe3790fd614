// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamewindow.h"
#include "classicfont.h"
#include "design.h"
#include "targetbox.h"

#include <QCloseEvent>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

using namespace rules;

namespace {
const QString fieldStyle = QStringLiteral("background-color: %1;").arg(fromBgr(FieldColour).name());
} // namespace

GameWindow::GameWindow(const Platform &platform, const TrainingSettings &settings, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_timer(platform.pacingTimer),
      m_quit(platform.quit), m_round(platform, settings, *this)
{
    setObjectName(QStringLiteral("game"));
    setWindowTitle(QStringLiteral("game"));
    setAccessibleName(QStringLiteral("Игровое поле"));
    setFixedSize(clientWidth, clientHeight);
    setFont(classicFont());
    QPalette field = palette();
    field.setColor(QPalette::Window, fromBgr(FieldColour));
    field.setColor(QPalette::WindowText, Qt::black);
    setPalette(field);
    setAutoFillBackground(true);
    // Moves are watched for the speed of aiming (see eventFilter).
    setMouseTracking(true);
    connect(&m_timer, &Timer::timeout, this, &GameWindow::Timer1_Timer);
    // Qt pairs two presses into a double click wherever they land, within the time and the
    // distance; a double click counts only when both its clicks hit the same control, so every
    // press in the program is watched, those in other windows included.
    qApp->installEventFilter(this);
}

GameWindow::~GameWindow()
{
    // The program ends with the field still up, without closing it first.
    if (m_loaded) {
        m_round.abandon(RoundEnding::ProgramQuit);
        m_timer.setEnabled(false);
    }
}

void GameWindow::load()
{
    if (m_loaded)
        return;
    m_round.stopPacing();
    m_textTop = 0;
    createControls();
    m_loaded = true;
    centreOnScreen(this);
    Form_Load();
}

void GameWindow::unload() { closeField(RoundEnding::Result); }

void GameWindow::closeField(RoundEnding ending)
{
    // Closing goes through closeEvent, which also serves a close from outside.
    m_closing = ending;
    close();
    m_closing.reset();
}

void GameWindow::closeEvent(QCloseEvent *event)
{
    if (m_loaded) {
        // Not closed by the game itself: by the program ending or from outside. Abandoning the
        // round stops its pacing; a round already over is not ended again.
        m_round.abandon(m_closing.value_or(m_quit.isQuitting() ? RoundEnding::ProgramQuit
                                                               : RoundEnding::ClosedFromOutside));
        destroyControls(this, {Picture1, Command1, Label1, Label2, Label3, Label4, Label5});
        m_loaded = false;
    }
    event->accept();
}

QLabel *GameWindow::makeLabel(const char *name, const QString &text, const QRect &area)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(twips::toPixels(area));
    label->setStyleSheet(fieldStyle);
    label->show();
    return label;
}

void GameWindow::createControls()
{
    Label1 = makeLabel("Label1", QStringLiteral("Label1"), QRect(120, 120, 1455, 255));
    Label1->setAlignment(Qt::AlignCenter);
    Label2 = makeLabel("Label2", QStringLiteral("Label2"), QRect(120, 360, 615, 255));
    Label3 = makeLabel("Label3", QStringLiteral("Label3"), QRect(840, 360, 975, 255));

    Label4 = makeLabel("Label4", QStringLiteral("Квадрилка"), QRect(4560, 0, 2295, 375));
    QFont title(QStringLiteral("Times New Roman"));
    title.setStyleHint(QFont::Serif);
    title.setPointSizeF(18);
    title.setBold(true);
    title.setItalic(true);
    Label4->setFont(title);
    Label4->setStyleSheet(fieldStyle +
                          QStringLiteral("color: %1;").arg(fromBgr(TitleColour).name()));

    Label5 = makeLabel("Label5", QStringLiteral("ver. 2.0"), QRect(7080, 70, 1095, 375));
    QFont version = title;
    version.setPointSizeF(14.25);
    Label5->setFont(version);
    Label5->setStyleSheet(fieldStyle +
                          QStringLiteral("color: %1;").arg(fromBgr(VersionColour).name()));
    Label5->setAccessibleName(QStringLiteral("Версия 2.0"));

    Picture1 = new TargetBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twips::toPixels(firstLeft, firstTop, designSize, designSize));
    Picture1->setBackColor(ReadyColour);
    Picture1->setToolTip(QStringLiteral("Ой - ё - ёй, поймал !!!"));
    Picture1->setAccessibleName(QStringLiteral("Квадратик"));
    Picture1->hide();
    connect(Picture1, &TargetBox::pressed, this, &GameWindow::Picture1_MouseDown);
    connect(Picture1, &TargetBox::doubleClicked, this, &GameWindow::Picture1_DblClick);

    // Made last so that it stays on top: the close button is never hidden under the target.
    Command1 = new QPushButton(QStringLiteral("X"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips::toPixels(11280, 0, 255, 255));
    Command1->setFont(classicFont(8.25, true));
    Command1->setStyleSheet(QStringLiteral("padding: 0px;"));
    Command1->setToolTip(QStringLiteral("Закрыть"));
    Command1->setAccessibleName(QStringLiteral("Закрыть"));
    Command1->show();
    connect(Command1, &QPushButton::clicked, this, &GameWindow::Command1_Click);
    Command1->setFocus();
}

void GameWindow::Form_Load() { m_round.setUp(); }
void GameWindow::Form_Click() { m_round.backgroundClick(); }
void GameWindow::Timer1_Timer() { m_round.tick(); }
void GameWindow::Picture1_MouseDown(int button, QPointF at)
{
    m_round.press(button, Picture1->mapTo(this, at));
}

void GameWindow::Picture1_DblClick(int button, QPointF at)
{
    at = Picture1->mapTo(this, at);
    // When the first click went elsewhere (to the field, perhaps just before the target jumped
    // under the pointer), the second is an ordinary press.
    if (m_sameControlTwice)
        m_round.doubleClick(at);
    else
        m_round.press(button, at);
}

bool GameWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The speed of aiming counts from the pointer's first move. Moves over the labels, the target
    // and the close button never reach the field itself, but every one passes through here,
    // whether or not any widget follows the pointer.
    if (event->type() == QEvent::MouseMove && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget == this || isAncestorOf(widget))
            m_round.pointerMoved(
                widget->mapTo(this, static_cast<QMouseEvent *>(event)->position()));
    }
    if (watched->isWidgetType() && (event->type() == QEvent::MouseButtonPress ||
                                    event->type() == QEvent::MouseButtonDblClick)) {
        m_sameControlTwice =
            event->type() == QEvent::MouseButtonDblClick && watched == m_lastPressed;
        m_lastPressed = watched;
    }
    return QWidget::eventFilter(watched, event);
}

void GameWindow::Command1_Click() { closeField(RoundEnding::CloseButton); }

void GameWindow::setLabel(int number, const QString &text)
{
    QLabel *labels[] = {Label1, Label2, Label3};
    if (number >= 1 && number <= 3)
        labels[number - 1]->setText(text);
}

void GameWindow::setTargetSize(int twips)
{
    Picture1->resize(twips::toPixels(twips), twips::toPixels(twips));
}

void GameWindow::moveTarget(int left, int top)
{
    Picture1->move(twips::toPixels(left), twips::toPixels(top));
}

void GameWindow::setTargetVisible(bool visible) { Picture1->setVisible(visible); }

void GameWindow::paintTarget(std::uint32_t colour) { Picture1->setBackColor(colour); }

std::optional<QPointF> GameWindow::pointer() const
{
    const QPoint at = mapFromGlobal(QCursor::pos());
    if (!rect().contains(at))
        return std::nullopt;
    return QPointF(at);
}

// A printed line is drawn once, now, and kept nowhere: whatever later repaints that part of the
// field (the target passing over it, a repaint of the whole window) paints the field colour there.
// Uncovering the window shows it again, as that is served from what was painted.
void GameWindow::print(const QString &line)
{
    const QFontMetrics metrics(font());
    const QRect area(0, m_textTop, metrics.horizontalAdvance(line) + metrics.maxWidth(),
                     metrics.height());
    m_textTop += metrics.height();
    if (!m_loaded || !isVisible())
        return;
    m_printing = line;
    m_printingAt = QPoint(0, area.top() + metrics.ascent());
    repaint(area);
    m_printing.clear();
}

void GameWindow::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (m_printing.isEmpty())
        return;
    // In the default font and text colour, one line under the other from the top-left corner.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(m_printingAt, m_printing);
}

void GameWindow::mousePressEvent(QMouseEvent *event)
{
    // Only the empty field counts; labels pass their clicks up to us and are filtered here.
    m_backgroundPressed = TargetBox::buttonCode(event->button()) != 0 &&
                          childAt(event->position().toPoint()) == nullptr;
}

void GameWindow::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_backgroundPressed && rect().contains(event->position().toPoint()) &&
                       childAt(event->position().toPoint()) == nullptr;
    m_backgroundPressed = false;
    if (click)
        Form_Click();
}

void GameWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second click of a double click on the field is not another miss. When the first click
    // hit the target, which then jumped away, the second is a click on the field of its own.
    if (m_sameControlTwice)
        m_backgroundPressed = false;
    else
        mousePressEvent(event);
}
