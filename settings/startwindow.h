// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform.h"
#include "trainingsettings.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class AboutWindow;
class GameWindow;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class RoundReport;

// What the settings window offers beside the game: where rounds are reported and how the diary
// is opened. Both may be left out.
struct DiaryAccess
{
    RoundReport *report = nullptr;
    std::function<void()> open;
};

// The start-up window: the player's choices, Start, Exit and About. The game reads the choices
// straight from its controls; when the window has been closed, the game reads the initial ones.
class StartWindow : public QWidget, public TrainingSettings
{
    Q_OBJECT
public:
    explicit StartWindow(const Platform &platform, DiaryAccess diary = {},
                         QWidget *parent = nullptr);
    ~StartWindow() override;

    void load();
    bool isLoaded() const { return m_loaded; }

    int level() const override;
    bool leftChosen() const override;
    bool rightChosen() const override;
    int doubleClick() const override;

    // Made on first use, like every window; null until then.
    GameWindow *gameWindow() const { return m_game.get(); }
    AboutWindow *aboutWindow() const { return m_about.get(); }

    static constexpr int clientWidth = 348;
    static constexpr int clientHeight = 250;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Check1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    void createControls();
    void applyDoubleClickRule();
    void startRound();
    void showAbout();

    Platform m_platform;
    DiaryAccess m_diary;
    bool m_loaded = false;
    std::unique_ptr<GameWindow> m_game;
    std::unique_ptr<AboutWindow> m_about;

    QPointer<QGroupBox> Frame1;
    QPointer<QGroupBox> Frame2;
    QPointer<QGroupBox> Frame3;
    QPointer<QRadioButton> Option1;
    QPointer<QRadioButton> Option2;
    QPointer<QRadioButton> Option3;
    QPointer<QRadioButton> Option4;
    QPointer<QRadioButton> Option5;
    QPointer<QRadioButton> Option6;
    QPointer<QCheckBox> Check1;
    QPointer<QPushButton> Command1;
    QPointer<QPushButton> Command2;
    QPointer<QPushButton> Command3;
};
