#pragma once

#include "discovery/Model.h"
#include "tests/support/FakeDnsSd.h"
#include "tests/support/FakeHttpClient.h"
#include "tests/support/FakeTime.h"
#include "tests/support/SocketAddress.h"
#include "tests/support/TxtRecords.h"

#include <memory>

// Models over fakes: no socket, no real time. `time` drives each model's browse timer
// (time.advance(Model::kBrowseDurationMs) ends a browse), `http` records the probes, `browsers`
// the browses. Cameras come in through addCamera with a maker's TXT record.
struct ModelFixture {
    FakeTime time;
    FakeDnsSdBrowserFactory browsers;
    FakeHttpClient http;
    QList<std::shared_ptr<FakeDnsSdService>> services;

    std::unique_ptr<Model> makeModel(int probeLimit = Model::kDefaultProbeLimit)
    {
        return std::make_unique<Model>(browsers.factory(), http, time.makeTimer(), probeLimit);
    }

    // A service with the socket addresses of `addresses` (numeric texts), kept by the fixture.
    std::shared_ptr<FakeDnsSdService> service(const QStringList &addresses,
                                              const QString &name = QStringLiteral("Camera"))
    {
        auto made = std::make_shared<FakeDnsSdService>(name);
        for (const QString &address : addresses)
            made->socketAddresses.append(socketAddress(address));
        services.append(made);
        return made;
    }

    // Lists a camera with MAC `mac` (12 hex digits, shown as "00-11-..."), the given addresses
    // and model name, announcing HTTP port 80.
    void addCamera(Model &model, const QByteArray &mac, const QStringList &addresses,
                   const QByteArray &modelName = "TC-100")
    {
        model.addCamera(*service(addresses, QString::fromLatin1(mac)),
                        makerTxt({{"macaddress", mac},
                                  {"model", modelName},
                                  {"ser", mac.right(6)},
                                  {"device", "camera"},
                                  {"http_port", "80"}}));
    }
};
