#include "discovery/ChangeCoalescer.h"

#include "discovery/Model.h"
#include "platform/QtOneShotTimer.h"
#include "platform/SystemClock.h"

#include <QPointer>

ChangeCoalescer::ChangeCoalescer(const Model &model, Update update, Post post, QObject *parent)
    : QObject(parent)
    , m_update(std::move(update))
    , m_post(std::move(post))
{
    if (!m_post) {
        m_post = [this](std::function<void()> step) {
            QMetaObject::invokeMethod(this, std::move(step), Qt::QueuedConnection);
        };
    }
    connect(&model, &Model::objectWillChange, this, &ChangeCoalescer::changeAnnounced);
}

ChangeCoalescer::ChangeCoalescer(const Model &model, Update update, qint64 intervalMs,
                                 const Clock *clock, std::unique_ptr<OneShotTimer> timer, Post post,
                                 QObject *parent)
    : ChangeCoalescer(model, std::move(update), std::move(post), parent)
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
    m_post([coalescer = QPointer<ChangeCoalescer>(this)] {
        if (coalescer)
            coalescer->run();
    });
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
