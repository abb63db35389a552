#pragma once

// What the window benchmarks measure of the process: its CPU time, and how long each top-level
// event delivery holds the event loop.

#include <QApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <algorithm>
#include <map>

inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Times every top-level event delivery while `isTiming`; a nested delivery counts within the one
// around it.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!isTiming || depth > 0)
            return QApplication::notify(receiver, event);
        ++depth;
        QElapsedTimer timer;
        timer.start();
        const int type = event->type(); // the event may be gone after its delivery
        const bool result = QApplication::notify(receiver, event);
        const qint64 elapsed = timer.nsecsElapsed();
        if (elapsed > longestEvent) {
            longestEvent = elapsed;
            longestEventType = type;
        }
        timeByType[type] += elapsed;
        --depth;
        return result;
    }

    bool isTiming = false;
    qint64 longestEvent = 0;
    int longestEventType = 0;
    std::map<int, qint64> timeByType;

private:
    int depth = 0;
};
