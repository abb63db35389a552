#pragma once

#include "platform/LocalNetworks.h"

// The computer's IPv4 networks as the test sets them ("eth0", "192.168.1.20", 24).
struct FakeLocalNetworks : LocalNetworks {
    QList<LocalNetwork> networks;
    explicit FakeLocalNetworks(QList<LocalNetwork> list = {})
        : networks(std::move(list))
    {
    }
    QList<LocalNetwork> ipv4Networks() const override { return networks; }
};
