#include "discovery/DeviceUrl.h"

#include "discovery/ServiceText.h"

#include <QHostAddress>

std::optional<QUrl> deviceUrl(AddressClass addressClass, const QString &address,
                              const std::optional<QString> &port, Scheme scheme)
{
    const QHostAddress numeric(address);
    const QAbstractSocket::NetworkLayerProtocol protocol = addressClass == AddressClass::ipv6
                                                               ? QAbstractSocket::IPv6Protocol
                                                               : QAbstractSocket::IPv4Protocol;
    if (numeric.protocol() != protocol || !numeric.scopeId().isEmpty())
        return std::nullopt;
    std::optional<int> portNumber;
    if (port) {
        portNumber = decimalPort(*port);
        if (!portNumber)
            return std::nullopt;
    }

    QUrl url;
    url.setScheme(scheme == Scheme::https ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(numeric.toString(), QUrl::StrictMode);
    if (portNumber)
        url.setPort(*portNumber);
    if (!url.isValid())
        return std::nullopt;
    return url;
}
