// Times the camera table with 1000 rows under the offscreen platform:
// - setting a new list and painting the visible rows,
// - a header click that sorts the rows, with the repaint that follows.
// Prints the median and the slowest of several runs, in milliseconds.
//     QT_QPA_PLATFORM=offscreen bench_table [runs]
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"
#include "table/ObservableCamera.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QTest>
#include <QTextStream>

#include <time.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace
{

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

constexpr int rowCount = 1000;

ObservableCameraList makeRows(QRandomGenerator &random)
{
    ObservableCameraList rows;
    rows.reserve(rowCount);
    for (int i = 0; i < rowCount; ++i) {
        const quint32 n = random.bounded(1u << 16);
        const QString mac = QStringLiteral("00:1B:2C:%1:%2:%3")
                                .arg(i >> 8, 2, 16, QLatin1Char('0'))
                                .arg(i & 0xff, 2, 16, QLatin1Char('0'))
                                .arg(n & 0xff, 2, 16, QLatin1Char('0'))
                                .toUpper();
        const QString ipv4 = QStringLiteral("198.%1.%2.%3")
                                 .arg(18 + (n & 1))
                                 .arg(n >> 8)
                                 .arg(random.bounded(1, 255));
        const QString ipv6 = QStringLiteral("2001:db8::%1:%2").arg(n, 0, 16).arg(i, 0, 16);
        const QString autoIp =
            QStringLiteral("169.254.%1.%2").arg(random.bounded(256)).arg(random.bounded(256));
        rows.append(std::make_shared<ObservableCamera>(
            mac, AttributedText::underlined(ipv4), AttributedText::underlined(ipv6),
            AttributedText::plain(autoIp), QStringLiteral("TV-%1").arg(n % 400),
            QStringLiteral("SN%1").arg(random.bounded(100000000)), true, true, false));
    }
    return rows;
}

class PaintCounter : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char *what, const std::vector<double> &ms, double limit)
{
    const double mid = median(ms);
    QTextStream(stdout) << what << ": median " << QString::number(mid, 'f', 2) << " ms, slowest "
                        << QString::number(*std::max_element(ms.begin(), ms.end()), 'f', 2)
                        << " ms over " << ms.size() << " runs (limit " << limit << " ms) "
                        << (mid < limit ? "ok" : "TOO SLOW") << "\n";
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 21;

    CameraListTableController controller;
    CameraTableView &table = *controller.tableView();
    table.resize(1200, 800);
    table.show();
    if (!QTest::qWaitForWindowExposed(&table)) {
        QTextStream(stderr) << "table window not exposed\n";
        return 2;
    }
    // Counts the viewport paints, so a run that painted nothing is noticed.
    PaintCounter paints;
    table.viewport()->installEventFilter(&paints);
    QRandomGenerator random(20261206);

    std::vector<double> setListMs;
    std::vector<double> sortMs;
    std::vector<double> setListCpuMs;
    std::vector<double> sortCpuMs;
    for (int run = 0; run < runs; ++run) {
        const ObservableCameraList rows = makeRows(random);
        QElapsedTimer timer;
        timer.start();
        double cpuStart = cpuMs();
        int paintsBefore = paints.count;
        controller.setList(rows);
        // Runs the deferred layout and the repaint the new rows asked for.
        QCoreApplication::sendPostedEvents();
        if (paints.count == paintsBefore)
            table.viewport()->repaint();
        setListMs.push_back(timer.nsecsElapsed() / 1e6);
        setListCpuMs.push_back(cpuMs() - cpuStart);

        // Header click on a column that sorts by the localised comparison (IPv4) or by
        // the case-insensitive one (model name), in turn.
        QHeaderView &header = *table.horizontalHeader();
        const int column = run % 2 == 0 ? 1 : 4;
        const QPoint centre(header.sectionViewportPosition(column) + header.sectionSize(column) / 2,
                            header.height() / 2);
        timer.restart();
        cpuStart = cpuMs();
        paintsBefore = paints.count;
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, centre);
        QCoreApplication::sendPostedEvents();
        if (paints.count == paintsBefore)
            table.viewport()->repaint();
        sortMs.push_back(timer.nsecsElapsed() / 1e6);
        sortCpuMs.push_back(cpuMs() - cpuStart);
    }
    if (paints.count < 2 * runs) { // at least one paint per measurement
        QTextStream(stderr) << "only " << paints.count << " paints for " << 2 * runs << " runs\n";
        return 2;
    }
    QTextStream(stdout) << table.rowAt(table.viewport()->height() - 1) - table.rowAt(0) + 1
                        << " visible rows of " << controller.list().size() << "\n";
    report("new list + paint, wall", setListMs, 20);
    report("new list + paint, CPU", setListCpuMs, 20);
    report("header-click sort + paint, wall", sortMs, 50);
    report("header-click sort + paint, CPU", sortCpuMs, 50);
    return median(setListMs) < 20 && median(sortMs) < 50 ? 0 : 1;
}
