// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes.h"

#include <algorithm>
#include <memory>

int FakeMessageBox::show(const QString &text, int buttons, const QString &title)
{
    const Shown box{text, buttons, title};
    shown.append(box);
    ++openNow;
    mostOpenAtOnce = std::max(mostOpenAtOnce, openNow);
    if (whileUp)
        whileUp(box);
    --openNow;
    if (answers.empty())
        return buttons == CancelTryContinue ? Cancel : Ok;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool FakeTimer::fire()
{
    if (!isCounting())
        return false;
    deliver();
    return true;
}

float FakeRandom::next()
{
    if (values.empty())
        return 0.5f;
    const float value = values.front();
    values.pop_front();
    return value;
}

namespace {
// Forwards to the platform's shared record, so a test can see every opening.
class RecordingBrowser : public Browser
{
public:
    explicit RecordingBrowser(FakePlatform &fakes) : m_fakes(fakes) {}
    bool open(const QUrl &url) override
    {
        m_fakes.opened.append(url);
        return m_fakes.browserSucceeds;
    }

private:
    FakePlatform &m_fakes;
};
} // namespace

Platform FakePlatform::platform()
{
    return Platform{messages, timer, clock, random, quit, [this]() -> std::unique_ptr<Browser> {
                        ++browsersMade;
                        return std::make_unique<RecordingBrowser>(*this);
                    }};
}
