#include "platform/mdns/UdpMdnsTransport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkInterface>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace
{

constexpr int kMaxDatagramSize = 9000;
// Room for a thousand answers of a few hundred bytes each, with the kernel's per-packet overhead.
constexpr int kReceiveBufferSize = 8 * 1024 * 1024;
constexpr int kInterfaceCheckInterval = 2000;

void enable(int socket, int level, int option, int value = 1)
{
    ::setsockopt(socket, level, option, &value, sizeof value);
}

void setReceiveBuffer(int socket)
{
    const int size = kReceiveBufferSize;
    // SO_RCVBUFFORCE passes rmem_max when we may; otherwise take what SO_RCVBUF grants.
    if (::setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

QString errorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A socket bound to port 5353, or -1 with what went wrong in `problems`.
int openSocket(int family, QStringList &problems)
{
    const QString what = family == AF_INET ? QStringLiteral("IPv4 socket on port 5353: ")
                                           : QStringLiteral("IPv6 socket on port 5353: ");
    const int fd = ::socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        problems.append(what + errorText());
        return -1;
    }
    // Shared with any other mDNS stack on this machine: both options must precede bind().
    enable(fd, SOL_SOCKET, SO_REUSEADDR);
    enable(fd, SOL_SOCKET, SO_REUSEPORT);
    setReceiveBuffer(fd);
    enable(fd, SOL_SOCKET, SO_RXQ_OVFL);
    int bound = -1;
    if (family == AF_INET) {
        enable(fd, IPPROTO_IP, IP_PKTINFO);
        enable(fd, IPPROTO_IP, IP_MULTICAST_TTL, 255);
        enable(fd, IPPROTO_IP, IP_TTL, 255);
        enable(fd, IPPROTO_IP, IP_MULTICAST_LOOP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(MdnsTransport::kMdnsPort);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    } else {
        enable(fd, IPPROTO_IPV6, IPV6_V6ONLY);
        enable(fd, IPPROTO_IPV6, IPV6_RECVPKTINFO);
        enable(fd, IPPROTO_IPV6, IPV6_MULTICAST_HOPS, 255);
        enable(fd, IPPROTO_IPV6, IPV6_UNICAST_HOPS, 255);
        enable(fd, IPPROTO_IPV6, IPV6_MULTICAST_LOOP);
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(MdnsTransport::kMdnsPort);
        address.sin6_addr = in6addr_any;
        bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    }
    if (bound != 0) {
        problems.append(what + errorText());
        ::close(fd);
        return -1;
    }
    return fd;
}

bool join(int socket, int family, int interfaceIndex, bool joining)
{
    int result = -1;
    if (family == AF_INET) {
        ip_mreqn request{};
        ::inet_pton(AF_INET, "224.0.0.251", &request.imr_multiaddr);
        request.imr_ifindex = interfaceIndex;
        result = ::setsockopt(socket, IPPROTO_IP, joining ? IP_ADD_MEMBERSHIP : IP_DROP_MEMBERSHIP,
                              &request, sizeof request);
    } else {
        ipv6_mreq request{};
        ::inet_pton(AF_INET6, "ff02::fb", &request.ipv6mr_multiaddr);
        request.ipv6mr_interface = static_cast<unsigned>(interfaceIndex);
        result =
            ::setsockopt(socket, IPPROTO_IPV6, joining ? IPV6_ADD_MEMBERSHIP : IPV6_DROP_MEMBERSHIP,
                         &request, sizeof request);
    }
    return result == 0 || (joining && errno == EADDRINUSE);
}

QHostAddress withoutScope(QHostAddress address)
{
    address.setScopeId(QString());
    return address;
}

} // namespace

UdpMdnsTransport::UdpMdnsTransport(QObject *parent)
    : MdnsTransport(parent)
{
    m_socket4 = openSocket(AF_INET, m_socketProblems);
    m_socket6 = openSocket(AF_INET6, m_socketProblems);
    if (m_socket4 >= 0) {
        m_notifier4 = new QSocketNotifier(m_socket4, QSocketNotifier::Read, this);
        connect(m_notifier4, &QSocketNotifier::activated, this, [this] { readPending(m_socket4); });
    }
    if (m_socket6 >= 0) {
        m_notifier6 = new QSocketNotifier(m_socket6, QSocketNotifier::Read, this);
        connect(m_notifier6, &QSocketNotifier::activated, this, [this] { readPending(m_socket6); });
    }
    updateInterfaces();
    m_interfaceCheck.setInterval(kInterfaceCheckInterval);
    connect(&m_interfaceCheck, &QTimer::timeout, this, &UdpMdnsTransport::updateInterfaces);
    m_interfaceCheck.start();
}

UdpMdnsTransport::~UdpMdnsTransport()
{
    delete m_notifier4;
    delete m_notifier6;
    if (m_socket4 >= 0)
        ::close(m_socket4);
    if (m_socket6 >= 0)
        ::close(m_socket6);
}

bool UdpMdnsTransport::checkPortSharing() const
{
    int sockets = 0;
    bool readable = false;
    for (const char *table : {"/proc/net/udp", "/proc/net/udp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        readable = true;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray &line : lines) {
            // "  12: 00000000:14E9 00000000:0000 07 ...": the local port follows the first ':'
            // of the address column.
            const QList<QByteArray> columns = line.simplified().split(' ');
            if (columns.size() > 1 && columns[1].endsWith(":14E9"))
                ++sockets;
        }
    }
    const int ours = (m_socket4 >= 0 ? 1 : 0) + (m_socket6 >= 0 ? 1 : 0);
    return !readable || sockets > ours;
}

UdpMdnsTransport::Usable UdpMdnsTransport::readInterfaces()
{
    Usable usable;
    m_interfaceAddresses.clear();
    m_localAddresses.clear();
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const int index = interface.index();
        usable.names.insert(index, interface.name());
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        m_interfaceAddresses.insert(index, entries);
        bool hasIpv4 = false;
        for (const QNetworkAddressEntry &entry : entries) {
            m_localAddresses.insert(withoutScope(entry.ip()));
            hasIpv4 = hasIpv4 || entry.ip().protocol() == QAbstractSocket::IPv4Protocol;
        }
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            !flags.testFlag(QNetworkInterface::CanMulticast) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        if (hasIpv4)
            usable.ipv4.insert(index);
        usable.ipv6.insert(index);
    }
    return usable;
}

void UdpMdnsTransport::reconcile(int socket, int family, QSet<int> &joined, const QSet<int> &usable,
                                 const QHash<int, QString> &names, QStringList &problems)
{
    if (socket < 0)
        return;
    for (auto it = joined.begin(); it != joined.end();) {
        if (usable.contains(*it)) {
            ++it;
        } else {
            join(socket, family, *it, false); // fails harmlessly if the interface is gone
            it = joined.erase(it);
        }
    }
    for (int index : usable) {
        if (joined.contains(index))
            continue;
        if (join(socket, family, index, true))
            joined.insert(index);
        else
            problems.append(QStringLiteral("joining %1 on %2: %3")
                                .arg(family == AF_INET ? "224.0.0.251" : "ff02::fb",
                                     names.value(index), errorText()));
    }
}

QList<DnsSdSocketReport::Interface>
UdpMdnsTransport::joinedInterfaces(const QHash<int, QString> &names) const
{
    QList<DnsSdSocketReport::Interface> interfaces;
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        if (!m_joined4.contains(it.key()) && !m_joined6.contains(it.key()))
            continue;
        DnsSdSocketReport::Interface joined{
            it.value(), {}, m_joined4.contains(it.key()), m_joined6.contains(it.key())};
        for (const QNetworkAddressEntry &entry : m_interfaceAddresses.value(it.key()))
            joined.addresses.append(entry.ip());
        interfaces.append(joined);
    }
    std::sort(interfaces.begin(), interfaces.end(),
              [](const auto &a, const auto &b) { return a.name < b.name; });
    return interfaces;
}

void UdpMdnsTransport::updateInterfaces()
{
    DnsSdSocketReport report{
        m_socket4 >= 0, m_socket6 >= 0, checkPortSharing(), {}, m_socketProblems};
    const Usable usable = readInterfaces();
    reconcile(m_socket4, AF_INET, m_joined4, usable.ipv4, usable.names, report.problems);
    reconcile(m_socket6, AF_INET6, m_joined6, usable.ipv6, usable.names, report.problems);
    report.interfaces = joinedInterfaces(usable.names);
    if (report == m_report)
        return;
    for (const QString &problem : report.problems) {
        if (!m_report.problems.contains(problem))
            qWarning("mDNS: %s", qPrintable(problem));
    }
    m_report = report;
    Q_EMIT reportChanged();
}

void UdpMdnsTransport::send(const QByteArray &datagram, const QHostAddress &destination,
                            quint16 port, int interfaceIndex)
{
    const bool ipv4 = destination.protocol() == QAbstractSocket::IPv4Protocol;
    const int socket = ipv4 ? m_socket4 : m_socket6;
    if (socket < 0)
        return;
    const QSet<int> &joined = ipv4 ? m_joined4 : m_joined6;
    const QList<int> targets = interfaceIndex != 0 ? QList<int>{interfaceIndex} : joined.values();
    for (int index : targets) {
        if (ipv4) {
            ip_mreqn outgoing{};
            outgoing.imr_ifindex = index;
            ::setsockopt(socket, IPPROTO_IP, IP_MULTICAST_IF, &outgoing, sizeof outgoing);
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(port);
            to.sin_addr.s_addr = htonl(destination.toIPv4Address());
            ::sendto(socket, datagram.constData(), static_cast<size_t>(datagram.size()), 0,
                     reinterpret_cast<const sockaddr *>(&to), sizeof to);
        } else {
            const unsigned outgoing = static_cast<unsigned>(index);
            ::setsockopt(socket, IPPROTO_IPV6, IPV6_MULTICAST_IF, &outgoing, sizeof outgoing);
            sockaddr_in6 to{};
            to.sin6_family = AF_INET6;
            to.sin6_port = htons(port);
            const Q_IPV6ADDR address = destination.toIPv6Address();
            std::memcpy(&to.sin6_addr, address.c, sizeof to.sin6_addr);
            to.sin6_scope_id = static_cast<uint32_t>(index);
            ::sendto(socket, datagram.constData(), static_cast<size_t>(datagram.size()), 0,
                     reinterpret_cast<const sockaddr *>(&to), sizeof to);
        }
    }
}

bool UdpMdnsTransport::isOnLocalLink(const QHostAddress &source, int interfaceIndex) const
{
    const QHostAddress plain = withoutScope(source);
    if (m_localAddresses.contains(plain))
        return true;
    if (plain.protocol() == QAbstractSocket::IPv4Protocol) {
        if (plain.isInSubnet(QHostAddress(QStringLiteral("169.254.0.0")), 16))
            return true;
    } else if (plain.isLinkLocal()) {
        return true;
    }
    const auto entries = m_interfaceAddresses.value(interfaceIndex);
    for (const QNetworkAddressEntry &entry : entries) {
        const QHostAddress network = withoutScope(entry.ip());
        if (network.protocol() == plain.protocol() && entry.prefixLength() > 0 &&
            plain.isInSubnet(network, entry.prefixLength()))
            return true;
    }
    return false;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast" // the CMSG_* macros
#pragma GCC diagnostic ignored "-Wsign-compare"
void UdpMdnsTransport::readPending(int socket)
{
    char buffer[kMaxDatagramSize + 1];
    alignas(cmsghdr) char control[256];
    QElapsedTimer spent;
    spent.start();
    for (int i = 0; i < kMaxDatagramsPerWakeup && !spent.hasExpired(kWakeUpBudgetMs); ++i) {
        sockaddr_storage from{};
        iovec vector{buffer, sizeof buffer};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t received = ::recvmsg(socket, &message, MSG_DONTWAIT);
        if (received < 0)
            return; // EAGAIN: all read; anything else: try again at the next wake-up
        if ((message.msg_flags & MSG_TRUNC) != 0 || received > kMaxDatagramSize)
            continue;
        int interfaceIndex = 0;
        for (cmsghdr *header = CMSG_FIRSTHDR(&message); header != nullptr;
             header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                interfaceIndex = info.ipi_ifindex;
            } else if (header->cmsg_level == IPPROTO_IPV6 && header->cmsg_type == IPV6_PKTINFO) {
                in6_pktinfo info;
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                interfaceIndex = static_cast<int>(info.ipi6_ifindex);
            } else if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SO_RXQ_OVFL) {
                quint32 drops = 0;
                std::memcpy(&drops, CMSG_DATA(header), sizeof drops);
                (socket == m_socket4 ? m_drops4 : m_drops6) = drops;
            }
        }
        const QHostAddress source(reinterpret_cast<const sockaddr *>(&from));
        const quint16 port = from.ss_family == AF_INET
                                 ? ntohs(reinterpret_cast<const sockaddr_in *>(&from)->sin_port)
                                 : ntohs(reinterpret_cast<const sockaddr_in6 *>(&from)->sin6_port);
        Q_EMIT datagramReceived(QByteArray(buffer, received), source, port, interfaceIndex);
    }
}
#pragma GCC diagnostic pop
