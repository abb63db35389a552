// vindra-mdns-browse: browses with the embedded querier on the real network sockets and prints
// one JSON object per line, each with "t", the milliseconds since the browse started:
//   {"t":12.3,"event":"found","name":...}
//   {"t":40.1,"event":"resolved","name":...,"host":...,"port":80,"addresses":[...]}
//   {"t":41.0,"event":"txt","name":...,"txt_hex":"...","addresses":[...]}
//   {"t":..., "event":"failed","name":...}
//   {"t":..., "event":"done","complete":N,"packets_sent":...,"bytes_sent":...,
//    "questions_sent":...,"last_response":T,"receive_drops":...}
// ("last_response": when the last response before the N-th complete service came, or -1)
// A service is complete at its first TXT report after resolution (as the discovery model reads
// it). Options: --type T (default _http._tcp), --time S (default 5), --until-complete N (stop
// as soon as N services are complete), --factory (use createMdnsBrowser() instead of an engine of
// its own; no statistics then), --trace (also one line per received datagram:
// {"t":...,"event":"datagram","from":...,"size":N,"response":true}, for measuring the gaps
// within a responder's burst; and at the end, for each service found but not complete,
// {"event":"incomplete","name":...,"cached":["SRV","A",...]}: what it lacks).
// For the simulated network only (tests/lan/lan-run): it sends mDNS queries.

#include "platform/DnsSd.h"
#include "platform/NumericHost.h"
#include "platform/QtOneShotTimer.h"
#include "platform/SystemClock.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsBrowser.h"
#include "platform/mdns/MdnsEngine.h"
#include "platform/mdns/UdpMdnsTransport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unordered_set>
#include <vector>

namespace
{

QJsonArray addressTexts(const DnsSdService &service)
{
    QJsonArray texts;
    const auto addresses = service.addresses();
    for (const QByteArray &address : addresses)
        texts.append(numericHostText(address));
    return texts;
}

// Which of the service's SRV, TXT, A and AAAA records the engine's cache holds.
QJsonArray cachedRecords(const MdnsEngine &engine, const DnsSdService &service, qint64 now)
{
    const QByteArray label = service.name().toUtf8();
    std::string instance(1, char(label.size()));
    instance.append(label.constData(), size_t(label.size()));
    instance += dns::nameFromDotted((service.type() + u'.' + service.domain()).toStdString());
    const MdnsCache &cache = engine.cacheForTesting();
    QJsonArray cached;
    std::string host;
    if (const MdnsCache::Entry *srv = cache.newest(instance, dns::TypeSrv, now)) {
        cached.append(QStringLiteral("SRV"));
        host = srv->record.target;
    }
    if (cache.newest(instance, dns::TypeTxt, now))
        cached.append(QStringLiteral("TXT"));
    if (!host.empty() && cache.newest(host, dns::TypeA, now))
        cached.append(QStringLiteral("A"));
    if (!host.empty() && cache.newest(host, dns::TypeAaaa, now))
        cached.append(QStringLiteral("AAAA"));
    return cached;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("type"), QStringLiteral("Service type."), QStringLiteral("T"),
                      QStringLiteral("_http._tcp")});
    parser.addOption({QStringLiteral("time"), QStringLiteral("Seconds to browse."),
                      QStringLiteral("S"), QStringLiteral("5")});
    parser.addOption({QStringLiteral("until-complete"),
                      QStringLiteral("Stop once N services are complete."), QStringLiteral("N"),
                      QStringLiteral("0")});
    parser.addOption({QStringLiteral("factory"), QStringLiteral("Use createMdnsBrowser().")});
    parser.addOption({QStringLiteral("trace"), QStringLiteral("Print every received datagram.")});
    parser.process(app);

    const int untilComplete = parser.value(QStringLiteral("until-complete")).toInt();
    const double seconds = parser.value(QStringLiteral("time")).toDouble();

    std::unique_ptr<UdpMdnsTransport> transport;
    std::unique_ptr<SystemClock> clock;
    std::unique_ptr<QtOneShotTimer> timer;
    std::unique_ptr<MdnsEngine> engine;
    std::unique_ptr<DnsSdBrowser> browser;
    if (parser.isSet(QStringLiteral("factory"))) {
        browser = createMdnsBrowser();
    } else {
        transport = std::make_unique<UdpMdnsTransport>();
        clock = std::make_unique<SystemClock>();
        timer = std::make_unique<QtOneShotTimer>();
        engine = std::make_unique<MdnsEngine>(transport.get(), clock.get(), timer.get(), [] {
            return QRandomGenerator::global()->generate();
        });
        browser = std::make_unique<MdnsBrowser>(engine.get());
    }

    QElapsedTimer elapsed;
    std::vector<std::shared_ptr<DnsSdService>> services;
    std::unordered_set<const DnsSdService *> completed;
    int complete = 0;

    auto print = [&](QJsonObject object) {
        object.insert(QStringLiteral("t"), static_cast<double>(elapsed.nsecsElapsed()) / 1e6);
        std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
        std::fputc('\n', stdout);
    };
    // The time of the last response received, for how soon the browse ends after it.
    double lastResponseAt = -1;
    double lastResponseBeforeComplete = -1;
    if (transport) {
        QObject::connect(transport.get(), &MdnsTransport::datagramReceived, &app,
                         [&](const QByteArray &datagram, const QHostAddress &source) {
                             const bool response =
                                 datagram.size() > 2 && (quint8(datagram[2]) & 0x80) != 0;
                             if (response)
                                 lastResponseAt = static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
                             if (parser.isSet(QStringLiteral("trace")))
                                 print({{QStringLiteral("event"), QStringLiteral("datagram")},
                                        {QStringLiteral("from"), source.toString()},
                                        {QStringLiteral("size"), datagram.size()},
                                        {QStringLiteral("response"), response}});
                         });
    }
    bool finished = false;
    auto finish = [&] {
        if (finished)
            return;
        finished = true;
        browser->stop();
        QJsonObject done{{QStringLiteral("event"), QStringLiteral("done")},
                         {QStringLiteral("complete"), complete}};
        if (engine) {
            const auto &statistics = engine->statistics();
            done.insert(QStringLiteral("packets_sent"),
                        static_cast<double>(statistics.packetsSent));
            done.insert(QStringLiteral("bytes_sent"), static_cast<double>(statistics.bytesSent));
            done.insert(QStringLiteral("questions_sent"),
                        static_cast<double>(statistics.questionsSent));
            done.insert(QStringLiteral("packets_received"),
                        static_cast<double>(statistics.packetsReceived));
            done.insert(QStringLiteral("last_response"), lastResponseBeforeComplete);
            done.insert(QStringLiteral("receive_drops"),
                        static_cast<double>(transport->receiveDrops()));
        }
        if (engine && parser.isSet(QStringLiteral("trace"))) {
            for (const auto &service : services) {
                if (!completed.contains(service.get()))
                    print({{QStringLiteral("event"), QStringLiteral("incomplete")},
                           {QStringLiteral("name"), service->name()},
                           {QStringLiteral("cached"),
                            cachedRecords(*engine, *service, clock->now())}});
            }
        }
        if (const auto report = browser->socketReport()) {
            QJsonArray interfaces;
            for (const auto &interface : report->interfaces)
                interfaces.append(interface.name);
            done.insert(QStringLiteral("sockets"),
                        QJsonObject{{QStringLiteral("ipv4"), report->ipv4Bound},
                                    {QStringLiteral("ipv6"), report->ipv6Bound},
                                    {QStringLiteral("shared"), report->portShared},
                                    {QStringLiteral("interfaces"), interfaces},
                                    {QStringLiteral("problems"),
                                     QJsonArray::fromStringList(report->problems)}});
        }
        print(done);
        std::fflush(stdout);
        app.quit();
    };

    QObject::connect(browser.get(), &DnsSdBrowser::serviceFound, &app,
                     [&](std::shared_ptr<DnsSdService> service, bool) {
                         services.push_back(service);
                         DnsSdService *raw = service.get();
                         print({{QStringLiteral("event"), QStringLiteral("found")},
                                {QStringLiteral("name"), raw->name()}});
                         auto reported = std::make_shared<bool>(false);
                         QObject::connect(raw, &DnsSdService::resolved, &app, [&, raw] {
                             print({{QStringLiteral("event"), QStringLiteral("resolved")},
                                    {QStringLiteral("name"), raw->name()},
                                    {QStringLiteral("host"), raw->hostName()},
                                    {QStringLiteral("port"), raw->port()},
                                    {QStringLiteral("addresses"), addressTexts(*raw)}});
                             raw->startMonitoring();
                         });
                         QObject::connect(raw, &DnsSdService::resolveFailed, &app, [&, raw] {
                             print({{QStringLiteral("event"), QStringLiteral("failed")},
                                    {QStringLiteral("name"), raw->name()}});
                         });
                         QObject::connect(
                             raw, &DnsSdService::txtRecordChanged, &app,
                             [&, raw, reported](const QByteArray &txt) {
                                 print(
                                     {{QStringLiteral("event"), QStringLiteral("txt")},
                                      {QStringLiteral("name"), raw->name()},
                                      {QStringLiteral("txt_hex"), QString::fromLatin1(txt.toHex())},
                                      {QStringLiteral("addresses"), addressTexts(*raw)}});
                                 if (!*reported) {
                                     *reported = true;
                                     completed.insert(raw);
                                     ++complete;
                                     if (untilComplete > 0 && complete == untilComplete) {
                                         lastResponseBeforeComplete = lastResponseAt;
                                         QTimer::singleShot(0, &app, finish);
                                     }
                                 }
                             });
                         raw->resolve(10.0);
                     });

    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, finish);
    elapsed.start();
    browser->searchForServicesOfType(parser.value(QStringLiteral("type")), QString());
    const int status = app.exec();
    services.clear();
    return status;
}
