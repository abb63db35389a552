#include "platform/mdns/MdnsBrowseSchedule.h"

#include <algorithm>

namespace
{
constexpr qint64 kMaxQueryInterval = 3600 * 1000;
}

void MdnsBrowseSchedule::advance(qint64 now)
{
    m_nextAt = now + m_interval;
    m_interval = std::min(m_interval * 2, kMaxQueryInterval);
}
