// One search of the discovery model on the simulated network, timed: from startMdns until
// every device of $VINDRA_LAN_FLEET is listed, and until every probe of the search has settled.
//
//   tests/lan/lan-run --fleet F -- bench_search [--runs 5]
//
// Each run is a separate search in a fresh process (the command re-executes itself), so no run
// profits from what an earlier one cached. Prints one JSON object per run and a last one with
// the medians: listedMs, settledMs, cpuMs (our process, user + system) and cpuShare.

#include "discovery/Model.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>

namespace
{

double cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// Devices a search must list: every fleet device of the maker on _http._tcp with a MAC address.
int expectedCameras()
{
    QFile file(qEnvironmentVariable("VINDRA_LAN_FLEET"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QJsonObject fleet = QJsonDocument::fromJson(file.readAll()).object();
    if (fleet.contains("expected") && !fleet.value("expected").toArray().isEmpty())
        return int(fleet.value("expected").toArray().size());
    return int(fleet.value("devices").toArray().size());
}

int runOnce()
{
    const int expected = expectedCameras();
    if (expected < 0) {
        QTextStream(stderr) << "bench_search: run me under tests/lan/lan-run\n";
        return 2;
    }
    Model model;
    QElapsedTimer clock;
    qint64 listedMs = -1, settledMs = -1;
    const auto check = [&] {
        if (listedMs < 0 && model.cameraList().size() >= expected)
            listedMs = clock.elapsed();
        if (listedMs >= 0 && settledMs < 0 && model.unsettledProbes() == 0) {
            settledMs = clock.elapsed();
            QCoreApplication::quit();
        }
    };
    // The model announces before it stores: look on the next turn of the event loop.
    QObject::connect(&model, &Model::objectWillChange, &model,
                     [&] { QTimer::singleShot(0, &model, check); });
    QObject::connect(&model, &Model::probesSettled, &model, check);
    QTimer::singleShot(240000, &model, [] { QCoreApplication::quit(); });

    const double cpuStart = cpuMilliseconds();
    clock.start();
    model.startMdns();
    QCoreApplication::exec();
    const double cpu = cpuMilliseconds() - cpuStart;
    const qint64 wall = clock.elapsed();
    QTextStream(stdout) << QJsonDocument(QJsonObject{{"devices", expected},
                                                     {"listed", int(model.cameraList().size())},
                                                     {"listedMs", listedMs},
                                                     {"settledMs", settledMs},
                                                     {"cpuMs", qRound(cpu)},
                                                     {"cpuShare", cpu / double(wall)}})
                               .toJson(QJsonDocument::Compact)
                        << '\n';
    return 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains("--once"))
        return runOnce();

    int runs = 5;
    const qsizetype at = arguments.indexOf("--runs");
    if (at > 0 && at + 1 < arguments.size())
        runs = std::clamp(arguments.at(at + 1).toInt(), 1, 20);

    QList<double> listed, settled, cpu, share;
    QTextStream out(stdout);
    for (int run = 0; run < runs; ++run) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(), {"--once"});
        if (!process.waitForFinished(270000) || process.exitCode() != 0)
            return 1;
        const QByteArray line = process.readAllStandardOutput().trimmed();
        out << line << '\n';
        out.flush();
        const QJsonObject result = QJsonDocument::fromJson(line).object();
        listed.append(result.value("listedMs").toDouble());
        settled.append(result.value("settledMs").toDouble());
        cpu.append(result.value("cpuMs").toDouble());
        share.append(result.value("cpuShare").toDouble());
    }
    out << QJsonDocument(QJsonObject{{"median", true},
                                     {"runs", runs},
                                     {"listedMs", median(listed)},
                                     {"settledMs", median(settled)},
                                     {"cpuMs", median(cpu)},
                                     {"cpuShare", median(share)}})
               .toJson(QJsonDocument::Compact)
        << '\n';
    return 0;
}
