// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform.h"
#include "round.h"
#include "roundview.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;
class TargetBox;
class TrainingSettings;

// The playing field. The object lives for the whole program; load() builds its controls afresh
// and runs the round set-up, unload() destroys them. The round, with its record, outlives both.
// The rules live in Round; this window forwards the events to it and shows what it says.
class GameWindow : public QWidget, private RoundView
{
    Q_OBJECT
public:
    GameWindow(const Platform &platform, const TrainingSettings &settings,
               QWidget *parent = nullptr);
    ~GameWindow() override;

    void load();
    // The round has ended by its result: the field goes.
    void unload() override;
    bool isLoaded() const { return m_loaded; }

    Round &round() { return m_round; }
    const Round &round() const { return m_round; }

    static constexpr int clientWidth = 768;
    static constexpr int clientHeight = 572;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void Form_Click();
    void Command1_Click();
    void Timer1_Timer();
    void Picture1_MouseDown(int button, QPointF at);
    void Picture1_DblClick(int button, QPointF at);

    // Closes the field; a round still running ends the way given.
    void closeField(RoundEnding ending);
    void createControls();
    QLabel *makeLabel(const char *name, const QString &text, const QRect &area);

    // What the round shows.
    void setLabel(int number, const QString &text) override;
    void setTargetSize(int twips) override;
    void moveTarget(int left, int top) override;
    void setTargetVisible(bool visible) override;
    void paintTarget(std::uint32_t colour) override;
    void print(const QString &line) override;
    std::optional<QPointF> pointer() const override;

    Timer &m_timer;
    const Quit &m_quit;
    Round m_round;
    // How the field is being closed, when the game closes it; otherwise it is closed from outside.
    std::optional<RoundEnding> m_closing;
    bool m_loaded = false;
    bool m_backgroundPressed = false;
    // The control that got the last press anywhere in the program, and whether the double click
    // being handled now had its first click on the same control.
    QPointer<QObject> m_lastPressed;
    bool m_sameControlTwice = false;
    // Where the next printed line goes, from the top of a freshly loaded field.
    int m_textTop = 0;
    // The line being drawn by the paint under way; a later paint shows the field there.
    QString m_printing;
    QPoint m_printingAt;

    QPointer<TargetBox> Picture1;
    QPointer<QPushButton> Command1;
    QPointer<QLabel> Label1;
    QPointer<QLabel> Label2;
    QPointer<QLabel> Label3;
    QPointer<QLabel> Label4;
    QPointer<QLabel> Label5;
};
