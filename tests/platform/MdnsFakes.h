#pragma once

#include "mdns/MdnsClock.h"
#include "mdns/MdnsTransport.h"

#include <QList>
#include <QSet>

#include <optional>

// Records what the engine sends; delivers what a test scripts.
class FakeTransport : public MdnsTransport
{
    Q_OBJECT
public:
    struct Sent {
        QByteArray datagram;
        QHostAddress destination;
        quint16 port;
        int interfaceIndex;
    };

    void send(const QByteArray &datagram, const QHostAddress &destination, quint16 port,
              int interfaceIndex) override
    {
        sent.append({datagram, destination, port, interfaceIndex});
    }

    bool isOnLocalLink(const QHostAddress &source, int) const override
    {
        return !offLink.contains(source);
    }

    bool sharesPort() const override { return portShared; }

    void deliver(const QByteArray &datagram, const QHostAddress &source, quint16 port = 5353,
                 int interfaceIndex = 2)
    {
        Q_EMIT datagramReceived(datagram, source, port, interfaceIndex);
    }

    QList<Sent> sent;
    QSet<QHostAddress> offLink;
    bool portShared = true;
};

// Time that moves only when the test moves it. advance() fires the timer at its due times, in
// order, with the clock showing each due time.
class FakeTime : public MdnsTimer, public MdnsClock
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
