// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs.h"
#include "platform.h"

#include <QList>
#include <QStringList>

#include <algorithm>
#include <deque>

// Takes the next value off a queue, or gives the fallback when the queue is empty.
template <typename T> T takeFront(std::deque<T> &queue, T fallback)
{
    const T value = queue.empty() ? fallback : queue.front();
    if (!queue.empty())
        queue.pop_front();
    return value;
}

// Records every box and answers from the queue (else OK or Cancel). whileUp runs while it "is
// up", to look at the program's state at that moment.
struct FakeMessageBox : MessageBox
{
    struct Shown
    {
        QString text;
        int buttons;
        QString title;
    };
    int show(const QString &text, int buttons, const QString &title) override
    {
        const Shown box{text, buttons, title};
        shown.append(box);
        mostOpenAtOnce = std::max(mostOpenAtOnce, ++openNow);
        if (whileUp)
            whileUp(box);
        --openNow;
        return takeFront(answers, buttons == CancelTryContinue ? int(Cancel) : int(Ok));
    }
    QList<Shown> shown;
    std::deque<int> answers;
    std::function<void(const Shown &)> whileUp;
    int openNow = 0, mostOpenAtOnce = 0;
};

// Ticks only when the test calls fire(), and only if it would tick; fire() says whether it did.
class FakeTimer : public Timer
{
    Q_OBJECT
public:
    bool fire() { return isCounting() && (deliver(), true); }
    int restarts = 0;

protected:
    void countDownAnew() override { ++restarts; }
    void stopCountDown() override {}
};

// Stands still until the test moves it: advance() moves the time of day and the steady count.
struct FakeClock : Clock
{
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
struct FakeRandom : Random
{
    void seed(float s) override { seeds.append(s); }
    float next() override { return takeFront(values, 0.5f); }
    QList<float> seeds;
    std::deque<float> values;
};

struct FakeQuit : Quit
{
    // The windows stay open; a test closes them as the real quit would.
    void quit() override { ++count; }
    bool isQuitting() const override { return count > 0; }
    int count = 0;
};

struct FakePlatform
{
    FakeMessageBox messages;
    Notices notices{messages};
    FakeTimer pacingTimer;
    FakeClock clock;
    FakeRandom random;
    FakeQuit quit;
    int browsersMade = 0;
    bool browserSucceeds = true;
    QList<QUrl> opened;

    // Every browser made reports to this one record, so a test sees every opening.
    struct RecordingBrowser : Browser
    {
        explicit RecordingBrowser(FakePlatform &fakes) : fakes(fakes) {}
        bool open(const QUrl &url) override
        {
            fakes.opened.append(url);
            return fakes.browserSucceeds;
        }
        FakePlatform &fakes;
    };

    Platform platform()
    {
        return Platform{
            notices, pacingTimer, clock, random, quit, [this]() -> std::unique_ptr<Browser> {
                ++browsersMade;
                return std::make_unique<RecordingBrowser>(*this);
            }};
    }
};

// A grown-up at the diary window, who answers as the test says and notes what each box said.
struct FakeDialogs : Dialogs
{
    QString fileName, suggested; // chosen in "save as" (empty: cancelled), and what it offered
    int saves = 0;
    bool yes = false;            // to every question
    QStringList answers;         // typed into the text boxes in turn; none left: cancelled
    QStringList questions, told; // the questions and the text boxes' labels; what it was told
    QString saveFileName(QWidget *, const QString &, const QString &offered) override
    {
        ++saves;
        suggested = offered;
        return fileName;
    }
    bool confirm(QWidget *, const QString &, const QString &text) override
    {
        questions.append(text);
        return yes;
    }
    void tell(QWidget *, const QString &, const QString &text) override { told.append(text); }
    QString askText(QWidget *, const QString &, const QString &label, const QString &initial,
                    bool *ok) override
    {
        questions.append(label + " [" + initial + "]");
        *ok = !answers.isEmpty();
        return *ok ? answers.takeFirst() : initial;
    }
};
