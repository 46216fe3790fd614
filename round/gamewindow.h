// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gamestate.h"
#include "platform.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;
class TargetBox;
class TrainingSettings;

// The playing field. The object lives for the whole program; load() builds its controls afresh
// and runs the round set-up, unload() destroys them. GameState outlives both.
class GameWindow : public QWidget
{
    Q_OBJECT
public:
    GameWindow(const Platform &platform, const TrainingSettings &settings,
               QWidget *parent = nullptr);
    ~GameWindow() override;

    void load();
    void unload();
    bool isLoaded() const { return m_loaded; }

    Timer &timer() { return m_timer; }
    const GameState &state() const { return m_state; }
    // Lines written on the surface since the last load, top to bottom.
    const QStringList &printedLines() const { return m_printed; }
    bool noticeShowing() const { return m_noticeShowing; }

    static constexpr int clientWidth = 768;
    static constexpr int clientHeight = 572;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Form_Click();
    void Command1_Click();
    void Timer1_Timer();
    void Picture1_MouseDown(int button);
    void Picture1_DblClick();

    void createControls();
    void destroyControls();
    void setUpRound();
    void nextTarget();
    void finishRound();
    void judgePress(int button);
    void judgeDoubleClick();
    void judgeMiss();
    bool penalize(rules::Penalty penalty, bool losesTurn, bool losesPoint);
    int showNotice(const rules::Notice &notice, int buttons);
    void resumeAfterNotice();
    bool scoreIfReady();
    void print(const QString &line);
    bool acceptsInput() const;
    QLabel *makeLabel(const char *name, const QString &text, const QRect &area);

    MessageBox &m_messages;
    Timer &m_timer;
    Clock &m_clock;
    Random &m_random;
    const TrainingSettings &m_settings;
    GameState m_state;
    bool m_loaded = false;
    bool m_noticeShowing = false;
    bool m_backgroundPressed = false;
    QStringList m_printed;

    QPointer<TargetBox> Picture1;
    QPointer<QPushButton> Command1;
    QPointer<QLabel> Label1;
    QPointer<QLabel> Label2;
    QPointer<QLabel> Label3;
    QPointer<QLabel> Label4;
    QPointer<QLabel> Label5;
};
