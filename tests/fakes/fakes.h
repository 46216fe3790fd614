// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <deque>
#include <functional>

// Records every box and answers from a queue (OK or Cancel when the queue is empty).
// A hook runs while the "box is up", to look at the program's state at that moment.
class FakeMessageBox : public MessageBox
{
public:
    struct Shown
    {
        QString text;
        int buttons;
        QString title;
    };

    int show(const QString &text, int buttons, const QString &title) override;

    QList<Shown> shown;
    std::deque<int> answers;
    std::function<void(const Shown &)> whileUp;
    int openNow = 0;
    int mostOpenAtOnce = 0;
};

// Fires only when the test says so; fire() does nothing while the timer would not tick.
class FakeTimer : public Timer
{
    Q_OBJECT
public:
    // Delivers one tick if the timer would tick; returns whether it did.
    bool fire();
    // How often the count-down was started anew (enabled, or interval set outside a tick).
    int restarts = 0;

protected:
    void countDownAnew() override { ++restarts; }
    void stopCountDown() override {}
};

// Stands still until the test moves it: advance() moves the time of day and the steady count.
class FakeClock : public Clock
{
public:
    double secondsSinceMidnight() const override { return seconds; }
    QDateTime now() const override { return date.addMSecs(steady); }
    qint64 steadyMs() const override { return steady; }
    void advance(qint64 ms)
    {
        steady += ms;
        seconds += ms / 1000.0;
    }

    double seconds = 0;
    qint64 steady = 0;
    QDateTime date{QDate(2026, 12, 7), QTime(9, 0)};
};

// Returns the queued numbers in turn (0.5 when the queue is empty) and records every seed.
class FakeRandom : public Random
{
public:
    void seed(float s) override { seeds.append(s); }
    float next() override;

    QList<float> seeds;
    std::deque<float> values;
};

class FakeQuit : public Quit
{
public:
    void quit() override { ++count; }
    int count = 0;
};

// All fakes in one place, with a Platform that hands them out.
struct FakePlatform
{
    FakeMessageBox messages;
    FakeTimer timer;
    FakeClock clock;
    FakeRandom random;
    FakeQuit quit;
    // Browsers made so far, and every page any of them was asked to open.
    int browsersMade = 0;
    bool browserSucceeds = true;
    QList<QUrl> opened;

    Platform platform();
};
