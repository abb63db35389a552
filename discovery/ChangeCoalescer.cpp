#include "discovery/ChangeCoalescer.h"

#include "discovery/Model.h"
#include "platform/QtOneShotTimer.h"
#include "platform/SystemClock.h"

ChangeCoalescer::ChangeCoalescer(const Model &model, Update update, QObject *parent)
    : QObject(parent)
    , m_update(std::move(update))
{
    connect(&model, &Model::objectWillChange, this, &ChangeCoalescer::changeAnnounced);
}

ChangeCoalescer::ChangeCoalescer(const Model &model, Update update, qint64 intervalMs,
                                 const Clock *clock, std::unique_ptr<OneShotTimer> timer,
                                 QObject *parent)
    : ChangeCoalescer(model, std::move(update), parent)
{
    m_intervalMs = intervalMs;
    if (!clock) {
        m_ownClock = std::make_unique<SystemClock>();
        clock = m_ownClock.get();
    }
    m_clock = clock;
    m_timer = timer ? std::move(timer) : std::make_unique<QtOneShotTimer>();
    connect(m_timer.get(), &OneShotTimer::timeout, this, &ChangeCoalescer::run);
}

ChangeCoalescer::~ChangeCoalescer() = default;

void ChangeCoalescer::changeAnnounced()
{
    if (m_state != State::idle)
        return;
    if (m_timer && m_lastUpdate) {
        const qint64 wait = *m_lastUpdate + m_intervalMs - m_clock->now();
        if (wait > 0) {
            m_state = State::timed;
            m_timer->start(wait);
            return;
        }
    }
    queue();
}

void ChangeCoalescer::expedite()
{
    if (m_state == State::queued)
        return;
    if (m_state == State::timed)
        m_timer->stop();
    queue();
}

void ChangeCoalescer::queue()
{
    m_state = State::queued;
    QMetaObject::invokeMethod(this, &ChangeCoalescer::run, Qt::QueuedConnection);
}

void ChangeCoalescer::run()
{
    if (m_state == State::idle)
        return;
    m_state = State::idle;
    if (m_clock)
        m_lastUpdate = m_clock->now();
    m_update();
}
