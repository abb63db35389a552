#pragma once

#include "MdnsClock.h"

#include <QTimer>

// A precise single-shot QTimer behind the MdnsTimer interface.
class QtMdnsTimer : public MdnsTimer
{
    Q_OBJECT
public:
    explicit QtMdnsTimer(QObject *parent = nullptr);
    void start(qint64 delayMs) override;
    void stop() override;

private:
    QTimer m_timer;
};
