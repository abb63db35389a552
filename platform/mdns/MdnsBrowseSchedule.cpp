#include "platform/mdns/MdnsBrowseSchedule.h"

#include <algorithm>

namespace
{
constexpr qint64 kFirstQueryInterval = 1000;
constexpr qint64 kMaxQueryInterval = 3600 * 1000;
constexpr int kMaxRoundsAfterMisses = 5;
} // namespace

mdns::Delivery MdnsBrowseSchedule::send(qint64 now, bool portShared)
{
    const bool unicast = m_sent == 0 && !portShared;
    advance(now);
    return unicast ? mdns::Delivery::unicast : mdns::Delivery::multicast;
}

void MdnsBrowseSchedule::instanceFound(qint64 now)
{
    // The first question's answers are the bulk, not a sign of loss. (Responders that ignore QU
    // give theirs to the second: that costs one early question, a small price against losing a
    // whole first round.)
    if (m_sent >= 2 && now < *m_lastAt + kFirstQueryInterval)
        askAgainSoon();
}

void MdnsBrowseSchedule::answerMissed()
{
    // Only the first rounds: a host that has gone keeps its questions unanswered for minutes.
    if (m_sent >= 2 && m_sent < kMaxRoundsAfterMisses)
        askAgainSoon();
}

void MdnsBrowseSchedule::askAgainSoon()
{
    m_nextAt = std::min(*m_nextAt, *m_lastAt + kFirstQueryInterval);
    m_interval = kFirstQueryInterval;
}

void MdnsBrowseSchedule::advance(qint64 now)
{
    ++m_sent;
    m_lastAt = now;
    m_nextAt = now + m_interval;
    m_interval = std::min(m_interval * 2, kMaxQueryInterval);
}
