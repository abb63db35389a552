#pragma once

#include "platform/mdns/MdnsTransport.h"
#include "tests/support/FakeTime.h"

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
    };

    void send(const QByteArray &datagram, const QHostAddress &destination, quint16 port,
              int) override
    {
        sent.append({datagram, destination, port});
    }

    bool isOnLocalLink(const QHostAddress &source, int) const override
    {
        return !offLink.contains(source);
    }

    DnsSdSocketReport report() const override { return socketReport; }
    void setReport(const DnsSdSocketReport &report)
    {
        socketReport = report;
        Q_EMIT reportChanged();
    }

    void deliver(const QByteArray &datagram, const QHostAddress &source, quint16 port = 5353,
                 int interfaceIndex = 2)
    {
        Q_EMIT datagramReceived(datagram, source, port, interfaceIndex);
    }

    QList<Sent> sent;
    QSet<QHostAddress> offLink;
    DnsSdSocketReport socketReport{true, true, true, {}, {}};
};
