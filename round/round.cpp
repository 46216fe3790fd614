// SPDX-License-Identifier: GPL-3.0-or-later
#include "round.h"
#include "design.h"
#include "roundview.h"
#include "trainingsettings.h"

#include <algorithm>
#include <cmath>

using namespace rules;

namespace {
// A target position drawn from [0, 1) scaled to the range; never the range itself.
std::int16_t scaled(float r, int range)
{
    return std::int16_t(std::clamp(int(std::floor(double(r) * range)), 0, range - 1));
}
} // namespace

Round::Round(const Platform &platform, const TrainingSettings &settings, RoundView &view)
    : m_messages(platform.messages), m_timer(platform.pacingTimer), m_clock(platform.clock),
      m_random(platform.random), m_settings(settings), m_view(view), m_recorder(platform.clock)
{
    m_messages.setPausable(this);
}

Round::~Round()
{
    if (m_messages.pausable() == this)
        m_messages.setPausable(nullptr);
}

void Round::setUp()
{
    // A freshly loaded field shows its design values until the set-up replaces them.
    m_sizeTwips = designSize;
    m_colour = ReadyColour;
    const int chosen = m_settings.level();
    if (chosen >= 1 && chosen <= 4) {
        const Level level = rules::level(chosen);
        m_sizeTwips = level.sizeTwips;
        m_view.setTargetSize(m_sizeTwips);
        m_view.setLabel(1, level.name);
    }
    m_view.setLabel(2,
                    m_settings.leftChosen() ? QStringLiteral("левый") : QStringLiteral("правый"));
    m_view.setLabel(3, m_settings.doubleClick() == 1 ? QStringLiteral("двойной")
                                                     : QStringLiteral("одинарный"));
    m_state.TargetNumber = 1;
    m_view.setTargetVisible(true);
    m_state.Hits = 0;
    m_active = true;

    m_recorder.begin(chosen, m_settings.rightChosen(), m_settings.doubleClick() == 1);
    targetShown(firstLeft, firstTop);
}

void Round::startPacing()
{
    m_timer.setEnabled(true);
    m_timer.setInterval(firstInterval);
}

void Round::tick()
{
    if (!m_active)
        return;
    if (m_state.TargetNumber >= roundLength)
        finish();
    else
        nextTarget();
}

void Round::nextTarget()
{
    m_timer.setInterval(intervalAfter(m_state.TargetNumber));
    m_state.TargetNumber = increment(m_state.TargetNumber);
    m_state.TurnLost = 0;
    m_state.MissCount = 0;
    m_colour = ReadyColour;
    m_view.paintTarget(m_colour);
    m_random.seed(float(m_clock.secondsSinceMidnight()));
    const float r1 = m_random.next();
    const float r2 = m_random.next();
    m_state.TargetTop = scaled(r1, verticalRange);
    m_state.TargetLeft = scaled(r2, horizontalRange);
    m_view.moveTarget(m_state.TargetLeft, m_state.TargetTop);
    targetShown(m_state.TargetLeft, m_state.TargetTop);
}

void Round::targetShown(int left, int top)
{
    const double side = twips::toPixels(m_sizeTwips);
    const QPointF centre(twips::toPixels(left) + side / 2, twips::toPixels(top) + side / 2);
    // Asking where the pointer is costs a round trip to the display: only when someone keeps it.
    m_recorder.targetShown(m_state.TargetNumber, centre, side,
                           m_report ? m_view.pointer() : std::nullopt);
}

void Round::stopPacing()
{
    m_timer.setEnabled(false);
    m_timer.setInterval(0);
}

void Round::finish()
{
    stopPacing();
    // The result is decided: closing the field while its box is up does not end the round again.
    m_active = false;
    m_view.setTargetVisible(false);
    m_state.GradeText = gradeText(m_state.Hits);
    const int answer = showNotice(resultText(m_state.Hits, m_state.GradeText),
                                  MessageBox::CancelTryContinue, resultTitle());
    m_view.print(QString::number(answer));
    report(RoundEnding::Result);
    m_view.unload();
}

void Round::abandon(RoundEnding ending)
{
    if (!m_active)
        return;
    stopPacing();
    report(ending);
}

void Round::report(RoundEnding ending)
{
    m_active = false;
    const RoundRecord record = m_recorder.finish(
        ending, m_state.Hits, ending == RoundEnding::Result ? m_state.GradeText : QString());
    if (m_report)
        m_report->roundEnded(record);
}

int Round::showNotice(const QString &text, int buttons, const QString &title)
{
    m_state.NoticeText = text;
    m_state.NoticeButtons = buttons;
    m_state.NoticeTitle = title;
    return m_messages.show(m_state.NoticeText, m_state.NoticeButtons, m_state.NoticeTitle);
}

void Round::pause()
{
    m_noticeShowing = true;
    m_resumePacing = m_active && m_timer.isEnabled();
    m_timer.setEnabled(false);
    if (m_active)
        m_recorder.pause();
}

// After a box the round goes on, whatever the box answered: a box that answered anything but OK
// would otherwise leave the round standing still for good. Enabled again, the timer gives the
// current target a whole fresh interval.
void Round::resume()
{
    m_recorder.resume();
    m_noticeShowing = false;
    if (m_resumePacing && m_active)
        m_timer.setEnabled(true);
    m_resumePacing = false;
}

bool Round::penalize(Penalty penalty)
{
    const Notice notice = rules::notice(penalty);
    if (notice.forfeitsTurn)
        m_state.TurnLost = 1;
    if (notice.costsPoint)
        m_state.Hits = decrement(m_state.Hits);
    m_recorder.penalty(penalty);
    showNotice(notice.text, MessageBox::OkOnly, notice.title);
    return m_active;
}

void Round::scoreIfReady(std::optional<QPointF> at)
{
    if (m_colour != ReadyColour)
        return;
    m_colour = HitColour;
    m_view.paintTarget(m_colour);
    m_state.Hits = increment(m_state.Hits);
    m_recorder.hit(at);
}

void Round::pointerMoved(QPointF at)
{
    if (m_active)
        m_recorder.pointerMoved(at);
}

void Round::press(int button, std::optional<QPointF> at)
{
    if (!acceptsInput())
        return;
    if (button == 2 && m_settings.doubleClick() == 1 && !penalize(Penalty::RightInDoubleMode))
        return;
    if (button == 2 && m_settings.leftChosen() && !penalize(Penalty::RightWhileLeft))
        return;
    if (button == 1 && m_settings.rightChosen() && !penalize(Penalty::LeftWhileRight))
        return;
    if (m_state.TurnLost != 1) {
        m_state.MissCount = 0;
        if (m_settings.doubleClick() == 0)
            scoreIfReady(at);
    }
}

void Round::doubleClick(std::optional<QPointF> at)
{
    if (!acceptsInput() || m_state.TurnLost == 1)
        return;
    m_state.MissCount = 0;
    if (m_settings.doubleClick() == 1)
        scoreIfReady(at);
    else
        penalize(Penalty::DoubleInSingleMode);
}

void Round::backgroundClick()
{
    if (!acceptsInput())
        return;
    m_recorder.miss();
    m_state.MissCount = increment(m_state.MissCount);
    if (m_state.MissCount < 2)
        return;
    const Notice miss = notice(Penalty::Miss);
    m_recorder.penalty(Penalty::Miss);
    m_view.print(QString::number(showNotice(miss.text, MessageBox::OkOnly, miss.title)));
    m_state.TurnLost = 1;
    if (!m_active)
        return;
    showNotice(miss.text, MessageBox::OkOnly, miss.title);
}
