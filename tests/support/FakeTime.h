#pragma once

#include "platform/Clock.h"

#include <optional>

// Time that moves only when the test moves it. advance() fires the timer at its due times, in
// order, with the clock showing each due time.
class FakeTime : public OneShotTimer, public Clock
{
    Q_OBJECT
public:
    qint64 now() const override { return m_now; }
    void start(qint64 delayMs) override { m_due = m_now + delayMs; }
    void stop() override { m_due.reset(); }

    void advance(qint64 ms)
    {
        const qint64 target = m_now + ms;
        while (m_due && *m_due <= target) {
            m_now = *m_due;
            m_due.reset();
            Q_EMIT timeout();
        }
        m_now = target;
    }

    std::optional<qint64> due() const { return m_due; }

private:
    qint64 m_now = 1000000;
    std::optional<qint64> m_due;
};
