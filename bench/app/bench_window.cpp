// The real program's main window on the simulated camera network: VindraApp with its own mDNS
// querier and HTTP client, as `vindra` runs it. Run by bench/app/window_bench.py inside
// tests/lan/lan-run; builds against the current tree and against the old main alike (it uses only
// what both have, and finds the filter field, which the old main lacks, at run time).
//
//   bench_window DEVICES [FILTER]
//
// Prints one JSON line: when the list had all DEVICES rows and every probe had settled (ms after
// the window opened), the process's CPU time over the first 14 s, the longest event delivery and
// the greatest lateness of a 5-ms heartbeat over those 14 s (the event loop's longest block), and
// then, typing FILTER into the filter field one key at a time, each key's time until the table
// has painted (or a few turns of the event loop have passed without a paint: a key that leaves
// the rows as they are).
#include "TimedApplication.h"
#include "app/MainWindow.h"
#include "app/MainWindowView.h"
#include "app/VindraApp.h"
#include "discovery/Model.h"
#include "table/CameraTableView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace
{
constexpr qint64 kSearchWindowMs = 14000;
constexpr qint64 kHeartbeatNs = 5'000'000;

// Notes that the watched widget was painted.
struct PaintSeen : QObject {
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};
} // namespace

int main(int argc, char *argv[])
{
    TimedApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const qsizetype devices = arguments.value(1).toLongLong();
    const QString filterText = arguments.value(2, QStringLiteral("S000777"));
    if (devices <= 0) {
        std::fprintf(stderr, "usage: bench_window DEVICES [FILTER]\n");
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    application.isTiming = true;
    VindraApp vindra(application);
    MainWindowView &view = vindra.mainWindow().view();
    const Model &model = view.model();
    const auto *table = vindra.mainWindow().findChild<CameraTableView *>();

    qint64 lastBeat = clock.nsecsElapsed();
    qint64 longestLateness = 0;
    qint64 latenessAtMs = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(int(kHeartbeatNs / 1'000'000));
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (now - lastBeat - kHeartbeatNs > longestLateness) {
            longestLateness = now - lastBeat - kHeartbeatNs;
            latenessAtMs = now / 1'000'000;
        }
        lastBeat = now;
    });
    heartbeat.start();
    qint64 completeMs = -1;
    while (clock.elapsed() < kSearchWindowMs) {
        // Sleeps until an event comes: the heartbeat wakes the loop at least every 5 ms.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (completeMs < 0 && table->model()->rowCount() == devices && model.unsettledProbes() == 0)
            completeMs = clock.elapsed();
    }
    const double cpu = cpuSeconds();
    heartbeat.stop();
    application.isTiming = false;

    QList<double> keyMs;
    if (auto *field = vindra.mainWindow().findChild<QLineEdit *>()) {
        PaintSeen seen;
        table->viewport()->installEventFilter(&seen);
        for (const QChar key : filterText) {
            seen.painted = false;
            QElapsedTimer typed;
            typed.start();
            QTest::keyClick(field, key.toLatin1());
            // A few turns: the table repaints at once, or had nothing to change.
            for (int turn = 0; turn < 5 && !seen.painted; ++turn)
                QCoreApplication::processEvents();
            keyMs.append(typed.nsecsElapsed() / 1e6);
        }
    }
    QStringList keys;
    for (const double ms : keyMs)
        keys.append(QString::number(ms, 'f', 1));
    std::printf("{\"complete_ms\": %lld, \"cpu_14s\": %.3f, \"longest_event_ms\": %.1f, "
                "\"longest_event_type\": %d, \"longest_heartbeat_delay_ms\": %.1f, \"at_ms\": "
                "%lld, \"rows\": %d, "
                "\"key_ms\": [%s]}\n",
                static_cast<long long>(completeMs), cpu, application.longestEvent / 1e6,
                application.longestEventType, longestLateness / 1e6,
                static_cast<long long>(latenessAtMs), table->model()->rowCount(),
                qPrintable(keys.join(u", ")));
    return 0;
}
