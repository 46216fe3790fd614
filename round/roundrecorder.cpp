// SPDX-License-Identifier: GPL-3.0-or-later
#include "roundrecorder.h"
#include "clock.h"

#include <QLineF>

void RoundRecorder::begin(int level, bool rightButton, bool doubleClick)
{
    m_record = RoundRecord{};
    m_record.uuid = QUuid::createUuid();
    m_record.started = m_clock.now();
    m_record.level = level;
    m_record.rightButton = rightButton;
    m_record.doubleClick = doubleClick;
    m_startMs = m_clock.steadyMs();
    m_pausedMs = 0;
    m_pausedAt = -1;
}

qint64 RoundRecorder::activeMs() const
{
    const qint64 now = m_pausedAt >= 0 ? m_pausedAt : m_clock.steadyMs();
    return now - m_startMs - m_pausedMs;
}

TargetRecord *RoundRecorder::current()
{
    return m_record.targets.isEmpty() ? nullptr : &m_record.targets.last();
}

void RoundRecorder::targetShown(int number, QPointF centre, double width,
                                std::optional<QPointF> pointer)
{
    TargetRecord target;
    target.number = number;
    target.shownAtMs = activeMs();
    target.width = width;
    target.centre = centre;
    target.start = pointer;
    if (pointer)
        target.distance = QLineF(*pointer, centre).length();
    m_record.targets.append(target);
}

void RoundRecorder::pointerMoved(QPointF at)
{
    // A pointer that trembles by a pixel has not set off yet.
    constexpr double setOff = 2;
    TargetRecord *target = current();
    if (target && target->start && target->movedAfterMs < 0 && target->hitAfterMs < 0 &&
        QLineF(*target->start, at).length() >= setOff)
        target->movedAfterMs = activeMs() - target->shownAtMs;
}

void RoundRecorder::hit(std::optional<QPointF> at)
{
    TargetRecord *target = current();
    if (!target || target->hitAfterMs >= 0)
        return;
    target->hitAfterMs = activeMs() - target->shownAtMs;
    if (at && target->centre)
        target->click = *at - *target->centre;
}

void RoundRecorder::penalty(Penalty penalty)
{
    if (TargetRecord *target = current())
        target->penalties.append(penalty);
}

void RoundRecorder::miss()
{
    if (TargetRecord *target = current())
        ++target->misses;
}

void RoundRecorder::pause()
{
    if (m_pausedAt < 0)
        m_pausedAt = m_clock.steadyMs();
}

void RoundRecorder::resume()
{
    if (m_pausedAt < 0)
        return;
    m_pausedMs += m_clock.steadyMs() - m_pausedAt;
    m_pausedAt = -1;
}

RoundRecord RoundRecorder::finish(RoundEnding ending, int score, const QString &grade)
{
    m_record.ending = ending;
    m_record.score = score;
    m_record.grade = grade.trimmed();
    return m_record;
}
