#pragma once

#include <QObject>

// Monotonic time in milliseconds. Injected wherever time matters, so that tests move it by hand.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 now() const = 0;
};

// A one-shot timer. start() replaces any pending expiry; timeout() fires on
// the owning thread's event loop, never from inside start().
class OneShotTimer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void start(qint64 delayMs) = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    void timeout();
};
