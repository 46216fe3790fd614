// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"
#include "design.h"
#include "rules.h"
#include "gamewindow.h"
#include "player.h"
#include "startwindow.h"
#include "targetbox.h"

#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <iterator>
#include <memory>

using namespace rules;

namespace {

constexpr int events = 40000;

enum class Event {
    Tick,
    LeftPress,
    RightPress,
    MiddlePress,
    DoubleClick,
    FieldClick,
    Choice,
    Start,
    CloseButton,
    CloseSettings,
};

// Out of 1000, in the order of Event.
constexpr int weights[] = {200, 120, 90, 40, 100, 150, 170, 110, 15, 5};

Event pickEvent(QRandomGenerator &chance)
{
    int pick = int(chance.bounded(1000u));
    for (int i = 0; i < int(std::size(weights)); ++i) {
        if (pick < weights[i])
            return Event(i);
        pick -= weights[i];
    }
    return Event::Tick;
}

// What a round looked like just before one event.
struct Snapshot
{
    bool loaded = false;
    int targetNumber = 0;
    int hits = 0;
    int turnLost = 0;
    std::uint32_t colour = 0;
    qsizetype boxes = 0;
};

// The settings window with its game over fakes; a closed settings window is replaced by a new
// program run once its round is over, so the storm can go on.
class Storm
{
public:
    explicit Storm(quint32 seed) : m_chance(seed)
    {
        fakes.messages.whileUp = [this](const FakeMessageBox::Shown &box) {
            if (fakes.timer.isEnabled())
                timerRanUnderBox.append(box.title.trimmed());
        };
        newRun();
    }

    FakePlatform fakes;
    QStringList timerRanUnderBox;
    int runs = 0;
    int roundsStarted = 0;
    int scoredTargets = 0;

    GameWindow *game() const { return m_start->gameWindow(); }
    bool roundRunning() const { return game() && game()->isLoaded(); }
    TargetBox *target() const { return player::target(*game()); }

    Snapshot snapshot() const
    {
        Snapshot now;
        now.boxes = fakes.messages.shown.size();
        if (!roundRunning())
            return now;
        now.loaded = true;
        now.targetNumber = game()->round().state().TargetNumber;
        now.hits = game()->round().state().Hits;
        now.turnLost = game()->round().state().TurnLost;
        now.colour = target()->backColor();
        return now;
    }

    // Sends one event; returns false when it had nothing to act on.
    bool send(Event event)
    {
        const bool onTarget = event == Event::LeftPress || event == Event::RightPress ||
                              event == Event::MiddlePress || event == Event::DoubleClick ||
                              event == Event::FieldClick || event == Event::CloseButton ||
                              event == Event::Tick;
        if (onTarget && !roundRunning())
            return false;
        if ((event == Event::Choice || event == Event::Start || event == Event::CloseSettings) &&
            !m_start->isLoaded())
            return false;
        switch (event) {
        case Event::Tick:
            fakes.timer.fire();
            break;
        case Event::LeftPress:
            press(Qt::LeftButton);
            break;
        case Event::RightPress:
            press(Qt::RightButton);
            break;
        case Event::MiddlePress:
            press(Qt::MiddleButton);
            break;
        case Event::DoubleClick:
            doubleClick();
            break;
        case Event::FieldClick:
            clickField();
            break;
        case Event::Choice:
            clickChoice();
            break;
        case Event::Start:
            if (!roundRunning()) {
                m_sizeAtLoad = twips::toPixels(level(m_start->level()).sizeTwips);
                ++roundsStarted;
            }
            QTest::mouseClick(m_start->findChild<QPushButton *>(QStringLiteral("Command1")),
                              Qt::LeftButton);
            break;
        case Event::CloseButton:
            QTest::mouseClick(game()->findChild<QPushButton *>(QStringLiteral("Command1")),
                              Qt::LeftButton);
            break;
        case Event::CloseSettings:
            m_start->close();
            break;
        }
        // The real event loop deletes the controls of an unloaded window at this point.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!m_start->isLoaded() && !roundRunning())
            newRun();
        return true;
    }

    // The first rule the last event broke, or an empty string.
    QString check(Event event, const Snapshot &before)
    {
        const Snapshot after = snapshot();
        const QList<FakeMessageBox::Shown> boxes = fakes.messages.shown.mid(before.boxes);
        if (fakes.messages.mostOpenAtOnce > 1)
            return QStringLiteral("a box opened over another");
        if (!timerRanUnderBox.isEmpty())
            return QStringLiteral("timer running under %1").arg(timerRanUnderBox.join(", "));
        if (!after.loaded) {
            if (fakes.timer.isEnabled() || fakes.timer.interval() != 0)
                return QStringLiteral("timer left running without a round");
            return {};
        }
        if (!before.loaded) {
            if (event != Event::Start || after.targetNumber != 1 || after.hits != 0 ||
                after.colour != ReadyColour)
                return QStringLiteral("round did not start afresh");
            m_scored.clear();
        } else {
            if (QString broken = checkChange(event, before, after, boxes); !broken.isEmpty())
                return broken;
        }
        if (after.hits > after.targetNumber)
            return QStringLiteral("%1 hits after %2 targets")
                .arg(after.hits)
                .arg(after.targetNumber);
        if (after.turnLost != 0 && after.turnLost != 1)
            return QStringLiteral("turn lost is %1").arg(after.turnLost);
        if (!fakes.timer.isEnabled())
            return QStringLiteral("round stands still");
        if (event == Event::Start && fakes.timer.interval() != firstInterval)
            return QStringLiteral("Start left the interval at %1").arg(fakes.timer.interval());
        if (target()->size() != QSize(m_sizeAtLoad, m_sizeAtLoad))
            return QStringLiteral("target size changed during the round");
        return {};
    }

private:
    void newRun()
    {
        m_start.reset();
        m_start = std::make_unique<StartWindow>(fakes.platform());
        m_start->show();
        ++runs;
    }

    void press(Qt::MouseButton button) { player::press(*game(), button); }
    void doubleClick() { player::doubleClick(*game()); }
    void clickField()
    {
        // Anywhere on the field away from the target, the labels and the close button.
        QPoint spot;
        do {
            spot = QPoint(int(m_chance.bounded(20, 740)), int(m_chance.bounded(60, 560)));
        } while (target()->geometry().adjusted(-2, -2, 2, 2).contains(spot));
        QTest::mouseClick(game(), Qt::LeftButton, {}, spot);
    }
    void clickChoice()
    {
        static const char *const names[] = {"Option1", "Option2", "Option3", "Option4",
                                            "Option5", "Option6", "Check1"};
        auto *choice = m_start->findChild<QWidget *>(
            QLatin1String(names[m_chance.bounded(int(std::size(names)))]));
        if (choice->isEnabled())
            QTest::mouseClick(choice, Qt::LeftButton);
    }

    // How one event may change a running round.
    QString checkChange(Event event, const Snapshot &before, const Snapshot &after,
                        const QList<FakeMessageBox::Shown> &boxes)
    {
        int pointsTaken = 0;
        int misses = 0;
        for (const auto &box : boxes) {
            if (box.text == notice(Penalty::Miss).text)
                ++misses;
            else if (box.text != notice(Penalty::RightInDoubleMode).text)
                ++pointsTaken;
        }
        if (misses % 2 != 0)
            return QStringLiteral("the miss notice was not shown twice");
        if (after.targetNumber != before.targetNumber) {
            if (event != Event::Tick || after.targetNumber != before.targetNumber + 1)
                return QStringLiteral("target %1 followed %2")
                    .arg(after.targetNumber)
                    .arg(before.targetNumber);
            if (after.colour != ReadyColour || after.turnLost != 0 ||
                game()->round().state().MissCount != 0 || after.hits != before.hits)
                return QStringLiteral("new target did not start clean");
            return {};
        }
        const bool scored = before.colour == ReadyColour && after.colour == HitColour;
        if (before.colour == HitColour && after.colour != HitColour)
            return QStringLiteral("a hit target turned green again");
        if (scored && before.turnLost == 1)
            return QStringLiteral("a lost turn scored");
        if (scored && m_scored.contains(before.targetNumber))
            return QStringLiteral("target %1 scored twice").arg(before.targetNumber);
        if (scored) {
            m_scored.insert(before.targetNumber);
            ++scoredTargets;
        }
        if (after.hits != before.hits + (scored ? 1 : 0) - pointsTaken)
            return QStringLiteral("score went from %1 to %2 with %3 scored and %4 taken")
                .arg(before.hits)
                .arg(after.hits)
                .arg(scored ? 1 : 0)
                .arg(pointsTaken);
        return {};
    }

    QRandomGenerator m_chance;
    std::unique_ptr<StartWindow> m_start;
    int m_sizeAtLoad = 0;
    QSet<int> m_scored;
};

const char *eventName(Event event)
{
    static const char *const names[] = {"tick",   "left press",    "right press", "middle press",
                                        "double", "field click",   "choice",      "Start",
                                        "X",      "close settings"};
    return names[int(event)];
}

} // namespace

class tst_Storm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void randomInputKeepsRoundRules();
};

void tst_Storm::initTestCase() { quietRaiseWarnings(); }

void tst_Storm::randomInputKeepsRoundRules()
{
    const quint32 seed = seedFromEnvironment("KVADRILKA_STORM_SEED", 715517);
    qInfo("seed %u (set KVADRILKA_STORM_SEED to replay another)", seed);
    QRandomGenerator chance(seed);
    Storm storm(seed ^ 0x5eed);

    int sent = 0;
    QList<Event> recent;
    while (sent < events) {
        const Event event = pickEvent(chance);
        const Snapshot before = storm.snapshot();
        if (!storm.send(event))
            continue;
        ++sent;
        recent.append(event);
        if (recent.size() > 8)
            recent.removeFirst();
        const QString broken = storm.check(event, before);
        if (!broken.isEmpty()) {
            QStringList trail;
            for (const Event e : recent)
                trail.append(QLatin1String(eventName(e)));
            QFAIL(qPrintable(QStringLiteral("seed %1, event %2 (%3): %4")
                                 .arg(seed)
                                 .arg(sent)
                                 .arg(trail.join(QStringLiteral(" > ")), broken)));
        }
    }
    qInfo("%d runs, %d rounds, %d targets scored, %lld boxes", storm.runs, storm.roundsStarted,
          storm.scoredTargets, qlonglong(storm.fakes.messages.shown.size()));
    // The storm reached every corner it is meant to: many rounds, hits, boxes, restarts.
    QVERIFY(storm.runs > 5);
    QVERIFY(storm.roundsStarted > 50);
    QVERIFY(storm.scoredTargets > 500);
    QVERIFY(storm.fakes.messages.shown.size() > 1000);
}

QTEST_MAIN(tst_Storm)
#include "tst_storm.moc"
