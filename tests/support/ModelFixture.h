#pragma once

#include "discovery/Model.h"
#include "platform/SocketAddress.h"
#include "tests/support/FakeDnsSd.h"
#include "tests/support/FakeHttpClient.h"
#include "tests/support/FakeTime.h"

#include <memory>
#include <utility>

// The product's socket-address bytes from numeric text, port 0; `scopeId` is kept for link-local
// IPv6 only. An empty block for text that is no address.
inline QByteArray socketAddress(const QString &numericText, int scopeId = 0)
{
    return socketAddress(QHostAddress(numericText), 0, scopeId);
}

// TXT record bytes (RFC 6763 §6) from its strings, e.g. {"vender=tulvo", "device=camera"}.
inline QByteArray txtBytes(const QList<QByteArray> &strings)
{
    QByteArray record;
    for (const QByteArray &string : strings) {
        record.append(static_cast<char>(string.size()));
        record.append(string);
    }
    return record;
}

// The TXT record of one of the maker's devices: "vender=tulvo", then "key=value" per entry.
inline QByteArray makerTxt(const QList<std::pair<QByteArray, QByteArray>> &entries = {})
{
    QList<QByteArray> strings{"vender=tulvo"};
    for (const auto &[key, value] : entries)
        strings.append(key + '=' + value);
    return txtBytes(strings);
}

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
