#pragma once

#include "platform/Clock.h"

#include <QList>
#include <QPointer>

#include <memory>
#include <optional>

// Time that moves only when the test moves it. FakeTime is a clock and a timer itself, and it
// hands out more timers on the same clock (makeTimer). advance() fires every timer at its due
// time, earliest first (ties: FakeTime itself, then the others in the order they were made),
// with the clock showing that time.
class FakeTime : public OneShotTimer, public Clock
{
    Q_OBJECT
public:
    qint64 now() const override { return m_now; }
    void start(qint64 delayMs) override { m_due = m_now + delayMs; }
    void stop() override { m_due.reset(); }

    // A timer on this clock; it must not outlive the FakeTime.
    std::unique_ptr<OneShotTimer> makeTimer()
    {
        auto timer = std::make_unique<Timer>(*this);
        m_timers.append(timer.get());
        return timer;
    }

    void advance(qint64 ms)
    {
        const qint64 target = m_now + ms;
        while (OneShotTimer *next = nextDue(target)) {
            if (next == this)
                m_due.reset();
            else
                static_cast<Timer *>(next)->m_due.reset();
            Q_EMIT next->timeout();
        }
        m_now = target;
    }

    std::optional<qint64> due() const { return m_due; }

private:
    class Timer : public OneShotTimer
    {
    public:
        explicit Timer(const FakeTime &time)
            : m_time(time)
        {
        }
        void start(qint64 delayMs) override { m_due = m_time.now() + delayMs; }
        void stop() override { m_due.reset(); }

        const FakeTime &m_time;
        std::optional<qint64> m_due;
    };

    // The earliest timer due by `target`, with the clock moved to its due time.
    OneShotTimer *nextDue(qint64 target)
    {
        OneShotTimer *next = m_due && *m_due <= target ? this : nullptr;
        std::optional<qint64> due = next ? m_due : std::nullopt;
        for (const QPointer<Timer> &timer : std::as_const(m_timers)) {
            if (timer && timer->m_due && *timer->m_due <= target &&
                (!due || *timer->m_due < *due)) {
                next = timer.data();
                due = timer->m_due;
            }
        }
        if (due)
            m_now = *due;
        return next;
    }

    qint64 m_now = 1000000;
    std::optional<qint64> m_due;
    QList<QPointer<Timer>> m_timers;
};
