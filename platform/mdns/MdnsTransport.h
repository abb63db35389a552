#pragma once

#include "platform/DnsSd.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>

// The datagram service under the mDNS engine: the UDP sockets in the product, a recording fake
// in tests.
class MdnsTransport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    static constexpr quint16 kMdnsPort = 5353;

    // Sends one datagram. `interfaceIndex` 0 sends it out of every interface the transport
    // listens on (the usual case for a multicast query).
    virtual void send(const QByteArray &datagram, const QHostAddress &destination, quint16 port,
                      int interfaceIndex) = 0;

    // True when `source` lies on the link of interface `interfaceIndex` (RFC 6762 §11): one of
    // the interface's subnets, a link-local address, or an address of this host.
    virtual bool isOnLocalLink(const QHostAddress &source, int interfaceIndex) const = 0;

    // What the sockets could set up; reportChanged() tells of changes.
    virtual DnsSdSocketReport report() const = 0;

    // True when another program also listens on UDP 5353 here. Unicast answers to that port reach
    // only one of the sockets sharing it, so queries then ask for multicast answers only.
    bool sharesPort() const { return report().portShared; }

Q_SIGNALS:
    void reportChanged();
    // One received datagram with its source and the index of the interface it arrived on.
    void datagramReceived(const QByteArray &datagram, const QHostAddress &source,
                          quint16 sourcePort, int interfaceIndex);
};
