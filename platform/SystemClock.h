#pragma once

#include "platform/Clock.h"

#include <QElapsedTimer>

// Monotonic milliseconds since construction.
class SystemClock : public Clock
{
public:
    SystemClock() { m_elapsed.start(); }
    qint64 now() const override { return m_elapsed.elapsed(); }

private:
    QElapsedTimer m_elapsed;
};
