#pragma once

#include "platform/Clock.h"

#include <QTimer>

// A precise single-shot QTimer behind the OneShotTimer interface.
class QtOneShotTimer : public OneShotTimer
{
    Q_OBJECT
public:
    explicit QtOneShotTimer(QObject *parent = nullptr);
    void start(qint64 delayMs) override;
    void stop() override;

private:
    QTimer m_timer;
};
