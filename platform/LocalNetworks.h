#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

#include <memory>

// One IPv4 network this computer is on: an address of one of its interfaces and the prefix
// length of that address's network.
struct LocalNetwork {
    QString interfaceName;
    QHostAddress address;
    int prefixLength = 0;
};

// Where the computer's own IPv4 networks come from; read afresh on every call, since interfaces
// come and go while the program runs.
class LocalNetworks
{
public:
    virtual ~LocalNetworks() = default;
    virtual QList<LocalNetwork> ipv4Networks() const = 0;
};

// The interfaces of this machine that are up, loopback left out (QNetworkInterface).
std::unique_ptr<LocalNetworks> createSystemLocalNetworks();
