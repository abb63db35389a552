#include "platform/NumericHost.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cstring>

QString numericHostText(const QByteArray &socketAddress)
{
    std::array<char, NI_MAXHOST> host{};
    // getnameinfo reads the family field first: copy into aligned storage of full size so a
    // short or odd block is never read past its end.
    sockaddr_storage storage{};
    const auto length = static_cast<socklen_t>(
        std::min<qsizetype>(socketAddress.size(), static_cast<qsizetype>(sizeof storage)));
    std::memcpy(&storage, socketAddress.constData(), length);
    getnameinfo(reinterpret_cast<const sockaddr *>(&storage), length, host.data(), host.size(),
                nullptr, 0, NI_NUMERICHOST);
    return QString::fromUtf8(host.data(), static_cast<qsizetype>(std::strlen(host.data())));
}
