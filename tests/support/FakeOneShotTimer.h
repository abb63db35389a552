#pragma once

#include <QList>

#include <chrono>
#include <functional>

// Records one-shot timers instead of running them; the test fires them with fire().
class FakeOneShotTimer
{
public:
    struct Shot {
        std::chrono::milliseconds interval;
        std::function<void()> callback;
    };

    std::function<void(std::chrono::milliseconds, std::function<void()>)> scheduler()
    {
        return [this](std::chrono::milliseconds interval, std::function<void()> callback) {
            shots.append({interval, std::move(callback)});
        };
    }

    void fire(qsizetype index) { shots.at(index).callback(); }

    QList<Shot> shots;
};
