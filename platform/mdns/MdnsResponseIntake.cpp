#include "platform/mdns/MdnsResponseIntake.h"

#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsCache.h"

using namespace dns;

MdnsResponseIntake::Changes MdnsResponseIntake::take(const Message &message, qsizetype size,
                                                     const QHostAddress &source, int interfaceIndex,
                                                     qint64 now)
{
    m_cache.removeExpired(now);
    Changes changes;
    auto take = [&](const ResourceRecord &record) {
        if (record.recordClass != kClassIn || !m_cache.insert(record, now, interfaceIndex))
            return;
        switch (record.type) {
        case TypePtr:
            if (record.ttl > 0)
                changes.pointers.push_back(&record);
            break;
        case TypeSrv:
        case TypeTxt:
            changes.instances.insert(nameKey(record.name));
            break;
        case TypeA:
        case TypeAaaa:
            changes.hosts.insert(nameKey(record.name));
            break;
        case TypeNsec:
            changes.instances.insert(nameKey(record.name));
            changes.hosts.insert(nameKey(record.name));
            break;
        default:
            break;
        }
    };
    for (const ResourceRecord &record : message.answers)
        take(record);
    for (const ResourceRecord &record : message.additionals)
        take(record);

    const QString sourceKey = source.toString();
    std::vector<std::string> settled;
    for (auto it = m_openHosts.begin(); it != m_openHosts.end();) {
        if (it->second.source == sourceKey) {
            settled.push_back(it->first);
            it = m_openHosts.erase(it);
        } else {
            ++it;
        }
    }
    if (size >= kSplitResponseSize) {
        if (m_openHosts.size() + changes.hosts.size() > kMaxOpenHosts)
            m_openHosts.clear();
        for (const std::string &key : changes.hosts)
            m_openHosts[key] = {sourceKey, now};
    }
    changes.hosts.insert(settled.begin(), settled.end());
    return changes;
}

std::optional<qint64> MdnsResponseIntake::openUntil(const std::string &hostKey, qint64 now)
{
    const auto open = m_openHosts.find(hostKey);
    if (open == m_openHosts.end())
        return std::nullopt;
    if (now - open->second.since < mdns::kBurstGap)
        return open->second.since + mdns::kBurstGap;
    m_openHosts.erase(open);
    return std::nullopt;
}
