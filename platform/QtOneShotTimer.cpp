#include "platform/QtOneShotTimer.h"

#include <algorithm>

QtOneShotTimer::QtOneShotTimer(QObject *parent)
    : OneShotTimer(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &OneShotTimer::timeout);
}

void QtOneShotTimer::start(qint64 delayMs)
{
    // QTimer takes an int; a day is far beyond anything the engine waits for in one go.
    m_timer.start(static_cast<int>(std::clamp<qint64>(delayMs, 0, 24 * 3600 * 1000)));
}

void QtOneShotTimer::stop()
{
    m_timer.stop();
}
