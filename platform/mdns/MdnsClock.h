#pragma once

#include <QObject>

// Monotonic time for the mDNS engine, in milliseconds. Injected so that tests move time by hand.
class MdnsClock
{
public:
    virtual ~MdnsClock() = default;
    virtual qint64 now() const = 0;
};

// A one-shot timer for the mDNS engine. start() replaces any pending expiry; timeout() fires on
// the owning thread's event loop, never from inside start().
class MdnsTimer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void start(qint64 delayMs) = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    void timeout();
};
