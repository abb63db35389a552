#pragma once

#include "discovery/Model.h"
#include "tests/support/FakeDnsSd.h"
#include "tests/support/FakeHttpClient.h"
#include "tests/support/FakeOneShotTimer.h"
#include "tests/support/SocketAddress.h"
#include "tests/support/TxtBytes.h"

#include <memory>

// A Model over fakes: no socket, no real timer. Cameras come in through addCamera with a TXT
// record of the maker, probe results through the model's apply steps.
struct ModelFixture {
    FakeDnsSdBrowserFactory browsers;
    FakeHttpClient http;
    FakeOneShotTimer timers;
    QList<std::shared_ptr<FakeDnsSdService>> services;

    std::unique_ptr<Model> makeModel()
    {
        return std::make_unique<Model>(browsers.factory(), http, timers.scheduler());
    }

    // Lists a camera with MAC `mac` (12 hex digits, shown as "00-11-..."), the given addresses
    // and model name.
    void addCamera(Model &model, const QByteArray &mac, const QStringList &addresses,
                   const QByteArray &modelName = "TC-100")
    {
        auto service = std::make_shared<FakeDnsSdService>(QString::fromLatin1(mac));
        for (const QString &address : addresses)
            service->socketAddresses.append(socketAddress(address));
        services.append(service);
        model.addCamera(*service,
                        txtBytes({"vender=tulvo", "macaddress=" + mac, "model=" + modelName,
                                  "ser=" + mac.right(6), "device=camera", "http_port=80"}));
    }
};
