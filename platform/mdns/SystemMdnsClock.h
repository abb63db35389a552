#pragma once

#include "MdnsClock.h"

#include <QElapsedTimer>

// Monotonic milliseconds since construction.
class SystemMdnsClock : public MdnsClock
{
public:
    SystemMdnsClock() { m_elapsed.start(); }
    qint64 now() const override { return m_elapsed.elapsed(); }

private:
    QElapsedTimer m_elapsed;
};
