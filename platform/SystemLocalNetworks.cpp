#include "platform/LocalNetworks.h"

#include <QNetworkInterface>

namespace
{
class SystemLocalNetworks final : public LocalNetworks
{
public:
    QList<LocalNetwork> ipv4Networks() const override
    {
        QList<LocalNetwork> networks;
        for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
            if (!interface.flags().testFlag(QNetworkInterface::IsUp) ||
                interface.flags().testFlag(QNetworkInterface::IsLoopBack))
                continue;
            for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
                if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                    networks.append({interface.name(), entry.ip(), entry.prefixLength()});
            }
        }
        return networks;
    }
};
} // namespace

std::unique_ptr<LocalNetworks> createSystemLocalNetworks()
{
    return std::make_unique<SystemLocalNetworks>();
}
