#include "platform/mdns/MdnsBrowseSchedule.h"

#include <algorithm>

namespace
{
constexpr qint64 kMaxQueryInterval = 3600 * 1000;
}

mdns::Delivery MdnsBrowseSchedule::send(qint64 now, bool portShared)
{
    const bool unicast = !m_sentOnce && !portShared;
    advance(now);
    return unicast ? mdns::Delivery::unicast : mdns::Delivery::multicast;
}

void MdnsBrowseSchedule::advance(qint64 now)
{
    m_sentOnce = true;
    m_nextAt = now + m_interval;
    m_interval = std::min(m_interval * 2, kMaxQueryInterval);
}
