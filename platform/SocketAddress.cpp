#include "platform/SocketAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

QByteArray socketAddress(const QHostAddress &address, quint16 port, int interfaceIndex)
{
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        sockaddr_in v4{};
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        v4.sin_addr.s_addr = htonl(address.toIPv4Address());
        return {reinterpret_cast<const char *>(&v4), sizeof v4};
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&v6.sin6_addr, bytes.c, sizeof bytes.c);
        if (bytes.c[0] == 0xfe && (bytes.c[1] & 0xc0) == 0x80)
            v6.sin6_scope_id = static_cast<uint32_t>(interfaceIndex);
        return {reinterpret_cast<const char *>(&v6), sizeof v6};
    }
    return {};
}
