// Probe concurrency on the simulated network: sends the probes a search would send to every
// device of $VINDRA_LAN_FLEET (in the model's launch order) through ProbeQueue with a given
// bound, and reports how long the probes of live and of dead addresses took to settle.
//
//   tests/lan/lan-run --fleet F -- bench_probe_bound [--limit N] [--count-open]
//
// Prints one JSON object: limit, probes, liveProbes, answered, liveFailed (live probes without
// an answer: overflow or time-out), liveSettledMs, allSettledMs, cpuShare, cpuMsPerProbe and,
// with --count-open, maxOpen: the most TCP connections open at once, sampled every 5 ms (the
// sampling costs CPU of its own); mostOpening and mostOut: the most probes the queue had being
// opened, and out, at once.

#include "discovery/Model.h"
#include "discovery/ProbeQueue.h"
#include "platform/http/NetworkHttpClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>

namespace
{

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// TCP connections of this network namespace (the client host, where only we connect) that are
// opening, established, or closed by the device but not yet by us.
int openConnections()
{
    int open = 0;
    for (const char *table : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine(); // the column titles
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().simplified().split(' ');
            const QByteArray state = fields.value(3);
            open += (state == "01" || state == "02" || state == "08") ? 1 : 0;
        }
    }
    return open;
}

struct Probe {
    QUrl url;
    bool live;
};

// The probes of one device as the model launches them: IPv4, IPv6, auto-IP; HTTPS before HTTP.
QList<Probe> devicePlan(const QJsonObject &device)
{
    QSet<QString> live;
    QStringList announced;
    for (const QJsonValue &address : device.value("addresses").toArray()) {
        live.insert(address.toString());
        announced.append(address.toString());
    }
    for (const QJsonValue &address : device.value("dead").toArray())
        announced.append(address.toString());
    QString ipv4 = placeholderText, ipv6 = placeholderText, autoIp = placeholderText;
    for (const QString &address : std::as_const(announced)) {
        if (address.startsWith("169.254"))
            autoIp = address;
        else if (address.contains(':')) {
            if (!address.startsWith("fe80")) // a link-local address without zone is not probed
                ipv6 = address;
        } else
            ipv4 = address;
    }
    std::optional<QString> httpPort, httpsPort;
    for (const QJsonValue &entry : device.value("txt").toArray()) {
        const QString text = entry.toString();
        if (text.startsWith("http_port=") && !httpPort)
            httpPort = text.mid(10);
        if (text.startsWith("https_port=") && !httpsPort)
            httpsPort = text.mid(11);
    }
    QList<Probe> plan;
    const auto add = [&](const QString &address, AddressClass addressClass) {
        if (address == placeholderText)
            return;
        const auto url = [&](const QString &port, bool isHttps) {
            return Model::makeProbeUrl(addressClass, address, port, isHttps).value_or(QUrl());
        };
        if (httpsPort)
            plan.append({url(*httpsPort, true), live.contains(address)});
        if (httpPort)
            plan.append({url(*httpPort, false), live.contains(address)});
        if (!httpPort && !httpsPort)
            plan.append({url("80", false), live.contains(address)});
    };
    add(ipv4, AddressClass::ipv4);
    add(ipv6, AddressClass::ipv6);
    add(autoIp, AddressClass::autoIp);
    return plan;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    int limit = Model::kDefaultProbeLimit;
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype at = arguments.indexOf("--limit");
    if (at > 0 && at + 1 < arguments.size())
        limit = arguments.at(at + 1).toInt();

    QFile file(qEnvironmentVariable("VINDRA_LAN_FLEET"));
    if (!file.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << "bench_probe_bound: run me under tests/lan/lan-run\n";
        return 2;
    }
    QList<Probe> plan;
    for (const QJsonValue &device : QJsonDocument::fromJson(file.readAll())["devices"].toArray())
        plan += devicePlan(device.toObject());

    NetworkHttpClient client;
    ProbeQueue queue(client, limit, probeOpenLimit(ProbeQueue::kMaxOut, limit));
    int liveTotal = 0;
    for (const Probe &probe : std::as_const(plan))
        liveTotal += probe.live ? 1 : 0;

    int liveLeft = liveTotal, allLeft = int(plan.size()), answered = 0, liveFailed = 0;
    qint64 liveSettled = liveLeft == 0 ? 0 : -1, allSettled = -1;
    int maxOpen = 0;
    QTimer sampler;
    if (arguments.contains("--count-open")) {
        QObject::connect(&sampler, &QTimer::timeout, &sampler,
                         [&] { maxOpen = std::max(maxOpen, openConnections()); });
        sampler.start(5);
    }
    QElapsedTimer clock;
    const double cpuStart = cpuSeconds();
    clock.start();
    for (const Probe &probe : std::as_const(plan)) {
        queue.enqueue(probe.url, Model::kProbeTimeout,
                      [&, live = probe.live](std::optional<int> s) {
                          answered += s ? 1 : 0;
                          if (live) {
                              liveFailed += s ? 0 : 1;
                              if (--liveLeft == 0)
                                  liveSettled = clock.elapsed();
                          }
                          if (--allLeft == 0) {
                              allSettled = clock.elapsed();
                              QCoreApplication::quit();
                          }
                      });
    }
    if (!plan.isEmpty())
        QCoreApplication::exec();
    const double cpu = cpuSeconds() - cpuStart;
    QJsonObject result{
        {"limit", limit},
        {"probes", int(plan.size())},
        {"liveProbes", liveTotal},
        {"answered", answered},
        {"liveFailed", liveFailed},
        {"liveSettledMs", liveSettled},
        {"allSettledMs", allSettled},
        {"cpuShare", allSettled > 0 ? cpu * 1000 / allSettled : 0},
        {"cpuMsPerProbe", plan.isEmpty() ? 0 : cpu * 1000 / double(plan.size())},
        {"mostOpening", queue.mostOpening()},
        {"mostOut", queue.mostOut()},
    };
    if (sampler.isActive())
        result.insert("maxOpen", maxOpen);
    QTextStream(stdout) << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
    return 0;
}
