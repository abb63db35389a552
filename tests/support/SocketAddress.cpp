#include "tests/support/SocketAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

QByteArray socketAddress(const QString &numericText, quint32 scopeId)
{
    const QByteArray text = numericText.toLatin1();
    sockaddr_in v4{};
    if (inet_pton(AF_INET, text.constData(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        return {reinterpret_cast<const char *>(&v4), sizeof v4};
    }
    sockaddr_in6 v6{};
    if (inet_pton(AF_INET6, text.constData(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_scope_id = scopeId;
        return {reinterpret_cast<const char *>(&v6), sizeof v6};
    }
    return {};
}
