// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamewindow.h"
#include "targetbox.h"
#include "trainingsettings.h"
#include "classicfont.h"
#include "design.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cmath>

using namespace rules;

namespace {
const QString fieldStyle = QStringLiteral("background-color: %1;").arg(fromBgr(FieldColour).name());

// A target position drawn from [0, 1) scaled to the range; never the range itself.
std::int16_t scaled(float r, int range)
{
    return std::int16_t(std::clamp(int(std::floor(double(r) * range)), 0, range - 1));
}
} // namespace

GameWindow::GameWindow(const Platform &platform, const TrainingSettings &settings, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_messages(platform.messages),
      m_timer(platform.timer), m_clock(platform.clock), m_random(platform.random),
      m_settings(settings)
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
    connect(&m_timer, &Timer::timeout, this, &GameWindow::Timer1_Timer);
}

GameWindow::~GameWindow()
{
    if (m_loaded)
        m_timer.setEnabled(false);
}

void GameWindow::load()
{
    if (m_loaded)
        return;
    m_timer.setEnabled(false);
    m_timer.setInterval(0);
    m_printed.clear();
    createControls();
    m_loaded = true;
    centreOnScreen(this);
    Form_Load();
}

void GameWindow::unload()
{
    // Closing goes through closeEvent, which also serves a close from outside.
    close();
}

void GameWindow::closeEvent(QCloseEvent *event)
{
    if (m_loaded) {
        m_timer.setEnabled(false);
        m_timer.setInterval(0);
        destroyControls();
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
    Picture1->setGeometry(twips::toPixels(10680, 7680, 735, 735));
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

void GameWindow::destroyControls()
{
    // The control that called us may still be on the stack: delete later, hide now.
    const std::initializer_list<QWidget *> controls{Picture1, Command1, Label1, Label2,
                                                    Label3,   Label4,   Label5};
    for (QWidget *control : controls) {
        if (!control)
            continue;
        control->hide();
        control->disconnect(this);
        control->deleteLater();
    }
    Picture1 = nullptr;
    Command1 = nullptr;
    Label1 = Label2 = Label3 = Label4 = Label5 = nullptr;
}

void GameWindow::Form_Load() { setUpRound(); }
void GameWindow::Form_Click() { judgeMiss(); }
void GameWindow::Command1_Click() { unload(); }
void GameWindow::Timer1_Timer() { nextTarget(); }
void GameWindow::Picture1_MouseDown(int button) { judgePress(button); }
void GameWindow::Picture1_DblClick() { judgeDoubleClick(); }

void GameWindow::setUpRound()
{
    const int chosen = m_settings.level();
    if (chosen >= 1 && chosen <= 4) {
        const Level level = rules::level(chosen);
        Picture1->resize(twips::toPixels(level.sizeTwips), twips::toPixels(level.sizeTwips));
        Label1->setText(level.name);
    }
    Label2->setText(m_settings.leftChosen() ? QStringLiteral("левый") : QStringLiteral("правый"));
    Label3->setText(m_settings.doubleClick() == 1 ? QStringLiteral("двойной")
                                                  : QStringLiteral("одинарный"));
    m_state.TargetNumber = 1;
    Picture1->show();
    m_state.Hits = 0;
}

void GameWindow::nextTarget()
{
    if (!m_loaded)
        return;
    const int n = m_state.TargetNumber;
    if (n >= roundLength) {
        finishRound();
        return;
    }
    m_timer.setInterval(intervalAfter(n));
    m_state.TargetNumber = increment(m_state.TargetNumber);
    m_state.TurnLost = 0;
    m_state.MissCount = 0;
    Picture1->setBackColor(ReadyColour);
    m_random.seed(float(m_clock.secondsSinceMidnight()));
    const float r1 = m_random.next();
    const float r2 = m_random.next();
    m_state.TargetTop = scaled(r1, verticalRange);
    m_state.TargetLeft = scaled(r2, horizontalRange);
    Picture1->move(twips::toPixels(m_state.TargetLeft), twips::toPixels(m_state.TargetTop));
}

void GameWindow::finishRound()
{
    m_timer.setInterval(0);
    m_timer.setEnabled(false);
    Picture1->hide();
    m_state.GradeText = gradeText(m_state.Hits);
    const int answer = showNotice({resultText(m_state.Hits, m_state.GradeText), resultTitle()},
                                  MessageBox::CancelTryContinue);
    print(QString::number(answer));
    unload();
}

int GameWindow::showNotice(const Notice &notice, int buttons)
{
    m_state.NoticeText = notice.text;
    m_state.NoticeButtons = buttons;
    m_state.NoticeTitle = notice.title;
    m_noticeShowing = true;
    const int answer =
        m_messages.show(m_state.NoticeText, m_state.NoticeButtons, m_state.NoticeTitle);
    m_noticeShowing = false;
    return answer;
}

// After a notice the round goes on, whatever the box answered: a box that answered anything
// but OK would otherwise leave the round standing still for good.
void GameWindow::resumeAfterNotice()
{
    if (m_loaded)
        m_timer.setEnabled(true);
}

bool GameWindow::penalize(Penalty penalty, bool losesTurn, bool losesPoint)
{
    m_timer.setEnabled(false);
    const Notice text = notice(penalty);
    if (losesTurn)
        m_state.TurnLost = 1;
    if (losesPoint)
        m_state.Hits = decrement(m_state.Hits);
    showNotice(text, MessageBox::OkOnly);
    resumeAfterNotice();
    return m_loaded;
}

bool GameWindow::scoreIfReady()
{
    if (Picture1->backColor() != ReadyColour)
        return false;
    Picture1->setBackColor(HitColour);
    m_state.Hits = increment(m_state.Hits);
    return true;
}

bool GameWindow::acceptsInput() const { return m_loaded && !m_noticeShowing; }

void GameWindow::judgePress(int button)
{
    if (!acceptsInput())
        return;
    if (button == 2 && m_settings.doubleClick() == 1) {
        if (!penalize(Penalty::RightInDoubleMode, true, false))
            return;
    }
    if (button == 2 && m_settings.leftChosen()) {
        if (!penalize(Penalty::RightWhileLeft, true, true))
            return;
    }
    if (button == 1 && m_settings.rightChosen()) {
        if (!penalize(Penalty::LeftWhileRight, true, true))
            return;
    }
    if (m_state.TurnLost != 1) {
        m_state.MissCount = 0;
        if (m_settings.doubleClick() == 0)
            scoreIfReady();
    }
}

void GameWindow::judgeDoubleClick()
{
    if (!acceptsInput() || m_state.TurnLost == 1)
        return;
    m_state.MissCount = 0;
    if (m_settings.doubleClick() == 1)
        scoreIfReady();
    else
        penalize(Penalty::DoubleInSingleMode, false, true);
}

void GameWindow::judgeMiss()
{
    if (!acceptsInput())
        return;
    m_state.MissCount = increment(m_state.MissCount);
    if (m_state.MissCount < 2)
        return;
    m_timer.setEnabled(false);
    const Notice miss = notice(Penalty::Miss);
    print(QString::number(showNotice(miss, MessageBox::OkOnly)));
    m_state.TurnLost = 1;
    if (!m_loaded)
        return;
    showNotice(miss, MessageBox::OkOnly);
    resumeAfterNotice();
}

void GameWindow::print(const QString &line)
{
    m_printed.append(line);
    update();
}

void GameWindow::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (m_printed.isEmpty())
        return;
    // Written lines start at the top-left corner, one under the other, in the default font.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    int y = metrics.ascent();
    for (const QString &line : m_printed) {
        painter.drawText(0, y, line);
        y += metrics.height();
    }
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

void GameWindow::mouseDoubleClickEvent(QMouseEvent *)
{
    // The second click of a double click on the field is not another miss.
    m_backgroundPressed = false;
}
