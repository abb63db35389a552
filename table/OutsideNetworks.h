#pragma once

#include "platform/LocalNetworks.h"

#include <QList>
#include <QString>

// Why the IPv4 address `address`, which did not answer its probe, may be out of this computer's
// reach: it lies outside every one of `networks`, so a router or firewall stands between. The
// text names each network ("192.168.1.0/24 on eth0"), or says that there is none. Empty when the
// address is inside one of them, when it is an auto-IP address (169.254.0.0/16 is reached on any
// link without a route) and when the text is no IPv4 address (the placeholder).
QString outsideNetworksWarning(const QString &address, const QList<LocalNetwork> &networks);
