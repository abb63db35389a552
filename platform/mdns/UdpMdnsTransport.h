#pragma once

#include "platform/mdns/MdnsTransport.h"

#include <QHash>
#include <QList>
#include <QNetworkAddressEntry>
#include <QSet>
#include <QTimer>

class QSocketNotifier;

// The real MdnsTransport: one IPv4 and one IPv6 UDP socket on port 5353.
//
// Both sockets set SO_REUSEADDR and SO_REUSEPORT before binding, so they share the port with
// avahi-daemon or any other mDNS stack of the machine. They join 224.0.0.251 and ff02::fb on
// every interface that is up and multicast-capable (and on those that come up later, checked
// every two seconds), send with TTL / hop limit 255, learn each packet's arriving interface from
// IP_PKTINFO / IPV6_PKTINFO, accept datagrams of up to 9000 bytes and ask for a receive buffer
// large enough for a burst of a thousand answers. A socket or join that fails is left out: the
// transport works with what remains. Whether another program listens on 5353 too is read from
// /proc/net/udp and /proc/net/udp6 at the same checks. report() says what works and what failed;
// each new problem is also logged once.
class UdpMdnsTransport : public MdnsTransport
{
    Q_OBJECT
public:
    // Datagrams read per wake-up of a socket: the event loop gets its turn between groups, so a
    // flood of costly messages stalls it no longer than this many of them, and no longer than
    // kWakeUpBudgetMs plus one message: one answer can hold hundreds of services, each of them
    // reported and resolved at once (64 such messages took 40-80 ms). What is left waits in the
    // kernel's receive buffer for the next turn.
    static constexpr int kMaxDatagramsPerWakeup = 64;
    static constexpr qint64 kWakeUpBudgetMs = 4;

    explicit UdpMdnsTransport(QObject *parent = nullptr);
    ~UdpMdnsTransport() override;

    void send(const QByteArray &datagram, const QHostAddress &destination, quint16 port,
              int interfaceIndex) override;
    bool isOnLocalLink(const QHostAddress &source, int interfaceIndex) const override;
    DnsSdSocketReport report() const override { return m_report; }

    // Datagrams the kernel dropped for want of receive-buffer space (SO_RXQ_OVFL).
    quint32 receiveDrops() const { return m_drops4 + m_drops6; }

private:
    // The interfaces that can carry mDNS, by family, and every interface's name by index.
    struct Usable {
        QSet<int> ipv4;
        QSet<int> ipv6;
        QHash<int, QString> names;
    };
    void updateInterfaces();
    // Also notes every local address and each interface's networks (for isOnLocalLink).
    Usable readInterfaces();
    // Joins the group on the usable interfaces not yet joined and leaves it on the others.
    static void reconcile(int socket, int family, QSet<int> &joined, const QSet<int> &usable,
                          const QHash<int, QString> &names, QStringList &problems);
    QList<DnsSdSocketReport::Interface> joinedInterfaces(const QHash<int, QString> &names) const;
    bool checkPortSharing() const;
    void readPending(int socket);

    int m_socket4 = -1;
    int m_socket6 = -1;
    QSocketNotifier *m_notifier4 = nullptr;
    QSocketNotifier *m_notifier6 = nullptr;
    QSet<int> m_joined4;
    QSet<int> m_joined6;
    QHash<int, QList<QNetworkAddressEntry>> m_interfaceAddresses;
    QSet<QHostAddress> m_localAddresses;
    QTimer m_interfaceCheck;
    quint32 m_drops4 = 0;
    quint32 m_drops6 = 0;
    QStringList m_socketProblems; // of the sockets' set-up, for good
    DnsSdSocketReport m_report;
};
