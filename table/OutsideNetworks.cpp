#include "table/OutsideNetworks.h"

#include "platform/LocalizedText.h"

#include <QStringList>

QString outsideNetworksWarning(const QString &address, const QList<LocalNetwork> &networks)
{
    const QHostAddress host(address);
    if (host.protocol() != QAbstractSocket::IPv4Protocol || host.isLinkLocal()) // auto-IP
        return {};
    QStringList shown;
    for (const LocalNetwork &network : networks) {
        if (host.isInSubnet(network.address, network.prefixLength))
            return {};
        const quint32 mask = network.prefixLength <= 0 ? 0 : ~0u << (32 - network.prefixLength);
        const QString subnet =
            QStringLiteral("%1/%2")
                .arg(QHostAddress(network.address.toIPv4Address() & mask).toString())
                .arg(network.prefixLength);
        shown.append(localizedText("networkOnInterface").arg(subnet, network.interfaceName));
    }
    shown.removeDuplicates();
    return shown.isEmpty() ? localizedText("outsideNoNetwork").arg(address)
                           : localizedText("outsideNetworks").arg(address, shown.join(u", "));
}
