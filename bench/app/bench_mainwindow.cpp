// The main window under a busy search: 1000 cameras appear and 6000 probe results arrive within
// one second, fed from a 1-ms timer by the clock (over fakes: no network).
// Reports how long the event loop was blocked at most (the longest single event delivery, and the
// greatest lateness of a 5-ms heartbeat timer, which also counts several events handled in one
// pass), and the process's CPU time for the whole sequence. Aims: under 50 ms and under 1 s.
//
// Usage: bench_mainwindow [cameras]   (offscreen unless QT_QPA_PLATFORM says otherwise)

#include "TimedApplication.h"
#include "app/CameraListTable.h"
#include "app/DarkAppearance.h"
#include "app/MainWindowView.h"
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"
#include "tests/support/FakeDnsSd.h"
#include "tests/support/FakeHttpClient.h"
#include "tests/support/FakeTime.h"
#include "tests/support/ModelFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace
{
QByteArray hex(int value, int digits)
{
    return QByteArray::number(value, 16).rightJustified(digits, '0');
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Other work on the machine stretches every figure; it is reported with them.
    QFile loadFile(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = loadFile.open(QIODevice::ReadOnly) ? loadFile.readAll() : "?\n";
    TimedApplication application(argc, argv);
    const int cameraCount = argc > 1 ? std::clamp(atoi(argv[1]), 1, 60000) : 1000;
    constexpr int resultsPerCamera = 6;
    constexpr qint64 feedMilliseconds = 1000;
    applyDarkAppearance();

    FakeDnsSdBrowserFactory browsers;
    FakeHttpClient http;
    FakeTime time;
    // Every probe may be in flight at once: the results' order is the bench's, not the queue's.
    auto owned = std::make_unique<Model>(browsers.factory(), http, time.makeTimer(),
                                         cameraCount * resultsPerCamera);
    Model &model = *owned;
    MainWindowView view(std::move(owned));
    view.resize(1200, 700);
    view.show();
    QCoreApplication::processEvents();

    // The services, made before the clock starts: IPv4, IPv6 and auto-IP, HTTP and HTTPS ports.
    QList<std::shared_ptr<FakeDnsSdService>> services;
    QList<QByteArray> records;
    for (int i = 0; i < cameraCount; ++i) {
        auto service = std::make_shared<FakeDnsSdService>(QStringLiteral("Camera %1").arg(i));
        service->socketAddresses = {
            socketAddress(QStringLiteral("198.18.%1.%2").arg(i / 250).arg(i % 250 + 1)),
            socketAddress(QStringLiteral("2001:db8:1234:5678::%1").arg(i + 1, 0, 16)),
            socketAddress(QStringLiteral("169.254.%1.%2").arg(i / 250 + 1).arg(i % 250 + 1))};
        services.append(service);
        records.append(txtBytes({"vender=tulvo", "macaddress=0011220" + hex(i, 5),
                                 "model=TC-" + QByteArray::number(100 + i % 7), "ser=S" + hex(i, 6),
                                 "device=camera", "http_port=80", "https_port=443"}));
    }

    QElapsedTimer clock;
    constexpr qint64 heartbeatNs = 5'000'000;
    qint64 lastBeat = 0;
    qint64 longestLateness = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(static_cast<int>(heartbeatNs / 1'000'000));
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestLateness = std::max(longestLateness, now - lastBeat - heartbeatNs);
        lastBeat = now;
    });
    int tableAssignments = 0;
    QObject::connect(&view.cameraListTable().controller(), &CameraListTableController::listChanged,
                     [&] { ++tableAssignments; });

    model.startMdns();
    QCoreApplication::processEvents();
    const double cpuAtStart = cpuSeconds();
    application.isTiming = true;
    clock.start();
    heartbeat.start();

    int nextCamera = 0;
    qsizetype nextResult = 0;
    QTimer feeder;
    feeder.setTimerType(Qt::PreciseTimer);
    feeder.setInterval(1);
    // The network does not wait for a busy client: whatever is due by the clock is delivered,
    // camera k at k ms, its six results spread over the same millisecond.
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        const qint64 dueCameras =
            std::min<qint64>(cameraCount, clock.elapsed() * cameraCount / feedMilliseconds + 1);
        while (nextCamera < dueCameras) {
            model.addCamera(*services.at(nextCamera), records.at(nextCamera));
            ++nextCamera;
            // Six results per camera, oldest request first; every third probe fails.
            for (int i = 0; i < resultsPerCamera && nextResult < http.requests.size(); ++i) {
                const qsizetype index = nextResult++;
                http.finish(index, index % 3 == 2 ? std::optional<int>() : std::optional<int>(200));
            }
        }
        if (nextCamera == cameraCount) {
            while (nextResult < http.requests.size()) {
                const qsizetype index = nextResult++;
                http.finish(index, 200);
            }
            feeder.stop();
        }
    });
    feeder.start();
    while (feeder.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double feedSeconds = clock.nsecsElapsed() / 1e9;
    // Let the last update (it may wait for the end of a frame interval) and its paint run.
    const auto &rows = view.cameraListTable().controller().list();
    QElapsedTimer settling;
    settling.start();
    while ((rows.size() < cameraCount ||
            view.model().cameraList() != view.cameraListTable().displayedCameraList()) &&
           settling.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents();
    const double cpu = cpuSeconds() - cpuAtStart;

    std::printf("load average before the run %s", loadAverage.constData());
    std::printf("cameras %d, probe results %lld, fed in %.3f s\n", cameraCount,
                static_cast<long long>(nextResult), feedSeconds);
    std::printf("table rows %lld, table assignments %d\n", static_cast<long long>(rows.size()),
                tableAssignments);
    std::printf("longest event delivery %.1f ms, longest heartbeat delay %.1f ms (aim < 50 ms)\n",
                application.longestEvent / 1e6, longestLateness / 1e6);
    std::printf("process CPU %.3f s (aim < 1 s)\n", cpu);
    std::printf("time by event type:");
    for (const auto &[type, ns] : application.timeByType) {
        if (ns > 5'000'000)
            std::printf(" %d: %.0f ms", type, ns / 1e6);
    }
    std::printf("\n");
    const qint64 longestBlock = std::max(application.longestEvent, longestLateness);
    const bool ok = rows.size() == cameraCount && longestBlock < 50'000'000 && cpu < 1.0;
    return ok ? 0 : 1;
}
