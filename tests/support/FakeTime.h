#pragma once

#include "platform/Clock.h"

#include <QList>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

// A timer on a clock that a test moves by hand (FakeTime::advance).
class FakeTimer : public OneShotTimer
{
public:
    explicit FakeTimer(const Clock &clock)
        : m_clock(clock)
    {
    }
    void start(qint64 delayMs) override { due = m_clock.now() + delayMs; }
    void stop() override { due.reset(); }

    std::optional<qint64> due;

private:
    const Clock &m_clock;
};

// Time that moves only when the test moves it. FakeTime is a clock and a timer itself, and it
// hands out more timers on the same clock (makeTimer). advance() fires every timer at its due
// time, earliest first (ties: FakeTime itself, then the others in the order they were made),
// with the clock showing that time.
class FakeTime : public Clock, public FakeTimer
{
public:
    FakeTime()
        : FakeTimer(static_cast<const Clock &>(*this))
    {
        m_timers.append(this);
    }
    qint64 now() const override { return m_now; }

    // A timer on this clock; it must not outlive the FakeTime.
    std::unique_ptr<OneShotTimer> makeTimer()
    {
        auto timer = std::make_unique<FakeTimer>(static_cast<const Clock &>(*this));
        m_timers.append(timer.get());
        return timer;
    }

    void advance(qint64 ms)
    {
        const qint64 target = m_now + ms;
        for (;;) {
            FakeTimer *next = nullptr;
            for (FakeTimer *timer : std::as_const(m_timers)) {
                if (timer && timer->due && *timer->due <= target &&
                    (!next || *timer->due < *next->due))
                    next = timer;
            }
            if (!next)
                break;
            m_now = *next->due;
            next->due.reset();
            Q_EMIT next->timeout();
        }
        m_now = target;
    }

private:
    qint64 m_now = 1000000;
    QList<QPointer<FakeTimer>> m_timers;
};

// Turns of an event loop that a test takes by hand: post() is the hook handed to the code under
// test (ChangeCoalescer::Post), and takeTurns() runs what was posted, then what that posted, until
// nothing is left (at most 10 turns).
class FakeTurns
{
public:
    auto post()
    {
        return [this](std::function<void()> step) { m_pending.append(std::move(step)); };
    }
    void takeTurns()
    {
        for (int turn = 0; turn < 10 && !m_pending.isEmpty(); ++turn)
            for (const auto &step : std::exchange(m_pending, {}))
                step();
    }

private:
    QList<std::function<void()>> m_pending;
};
