// SPDX-License-Identifier: GPL-3.0-or-later
#include "startwindow.h"
#include "aboutwindow.h"
#include "classicfont.h"
#include "design.h"
#include "gamewindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

namespace {
template <typename Control>
Control *make(QWidget *parent, const char *name, const QString &text, const QRect &area)
{
    auto *control = new Control(text, parent);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twips::toPixels(area));
    control->setAccessibleName(text);
    return control;
}
} // namespace

StartWindow::StartWindow(const Platform &platform, DiaryAccess diary, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_platform(platform), m_diary(std::move(diary))
{
    setObjectName(QStringLiteral("start"));
    setWindowTitle(QStringLiteral("Квадрилка"));
    setFixedSize(clientWidth, clientHeight);
    setFont(classicFont());
    load();
    // The diary is for grown-ups: a chord a child will not press by chance, and no control.
    if (m_diary.open) {
        auto *diary = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), this);
        connect(diary, &QShortcut::activated, this, [this] { m_diary.open(); });
    }
}

StartWindow::~StartWindow() = default;

void StartWindow::load()
{
    if (m_loaded)
        return;
    createControls();
    m_loaded = true;
    centreOnScreen(this);
}

void StartWindow::createControls()
{
    Frame1 = make<QGroupBox>(this, "Frame1", QStringLiteral("Уровень сложности"),
                             QRect(240, 600, 2175, 1935));
    Option1 = make<QRadioButton>(Frame1, "Option1", QStringLiteral("Начинающий"),
                                 QRect(240, 360, 1575, 255));
    Option2 = make<QRadioButton>(Frame1, "Option2", QStringLiteral("Бывалый"),
                                 QRect(240, 720, 1575, 255));
    Option3 = make<QRadioButton>(Frame1, "Option3", QStringLiteral("Опытный"),
                                 QRect(240, 1080, 1575, 255));
    Option4 = make<QRadioButton>(Frame1, "Option4", QStringLiteral("Супермен"),
                                 QRect(240, 1440, 1455, 255));
    Frame2 = make<QGroupBox>(this, "Frame2", QStringLiteral("Вид тренировки"),
                             QRect(2760, 600, 2175, 1215));
    Option5 = make<QRadioButton>(Frame2, "Option5", QStringLiteral("Левая кнопка"),
                                 QRect(240, 360, 1455, 255));
    Option6 = make<QRadioButton>(Frame2, "Option6", QStringLiteral("Правая кнопка"),
                                 QRect(240, 720, 1455, 255));
    Frame3 = make<QGroupBox>(this, "Frame3", QString(), QRect(2760, 1920, 2175, 615));
    Frame3->setAccessibleName(QStringLiteral("Вид щелчка"));
    Check1 = make<QCheckBox>(Frame3, "Check1", QStringLiteral("Двойной щелчёк"),
                             QRect(240, 240, 1695, 255));
    Command1 =
        make<QPushButton>(this, "Command1", QStringLiteral("Старт"), QRect(240, 2880, 1335, 615));
    Command2 =
        make<QPushButton>(this, "Command2", QStringLiteral("Выход"), QRect(1920, 2880, 1335, 615));
    Command3 = make<QPushButton>(this, "Command3", QStringLiteral("О программе"),
                                 QRect(3600, 2880, 1335, 615));

    Option1->setChecked(true);
    Option5->setChecked(true);

    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Option3);
    setTabOrder(Option3, Option6);
    setTabOrder(Option6, Option5);
    setTabOrder(Option5, Option4);
    setTabOrder(Option4, Check1);

    for (QWidget *control :
         std::initializer_list<QWidget *>{Frame1, Frame2, Frame3, Command1, Command2, Command3})
        control->show();

    connect(Check1, &QCheckBox::toggled, this, &StartWindow::Check1_Click);
    connect(Command1, &QPushButton::clicked, this, &StartWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &StartWindow::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &StartWindow::Command3_Click);
    Command1->setFocus();
}

void StartWindow::closeEvent(QCloseEvent *event)
{
    // Closing unloads the controls; a round still running then reads the initial choices.
    if (m_loaded) {
        Check1->disconnect(this);
        destroyControls(this, {Frame1, Frame2, Frame3, Command1, Command2, Command3});
        m_loaded = false;
    }
    event->accept();
}

void StartWindow::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the focused button, as Space does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QAbstractButton *>(focusWidget())) {
            button->animateClick();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

int StartWindow::level() const
{
    if (!m_loaded)
        return 1;
    const QRadioButton *levels[] = {Option1, Option2, Option3, Option4};
    for (int i = 0; i < 4; ++i) {
        if (levels[i]->isChecked())
            return i + 1;
    }
    return 0;
}

bool StartWindow::leftChosen() const { return m_loaded ? Option5->isChecked() : true; }

bool StartWindow::rightChosen() const { return m_loaded ? Option6->isChecked() : false; }

int StartWindow::doubleClick() const { return m_loaded && Check1->isChecked() ? 1 : 0; }

void StartWindow::Check1_Click() { applyDoubleClickRule(); }
void StartWindow::Command1_Click() { startRound(); }
void StartWindow::Command2_Click() { m_platform.quit.quit(); }
void StartWindow::Command3_Click() { showAbout(); }

void StartWindow::applyDoubleClickRule()
{
    if (Check1->isChecked()) {
        // A checked radio button of a group cannot be unchecked on its own.
        Option6->setAutoExclusive(false);
        Option6->setChecked(false);
        Option6->setAutoExclusive(true);
        Option6->setEnabled(false);
        Option5->setChecked(true);
    } else {
        Option6->setEnabled(true);
    }
}

void StartWindow::startRound()
{
    if (!m_game) {
        m_game = std::make_unique<GameWindow>(m_platform, *this);
        m_game->round().setReport(m_diary.report);
    }
    m_game->load();
    m_game->show();
    m_game->raise();
    m_game->activateWindow();
    m_game->round().startPacing();
}

void StartWindow::showAbout()
{
    if (!m_about)
        m_about = std::make_unique<AboutWindow>(m_platform);
    m_about->open();
}
