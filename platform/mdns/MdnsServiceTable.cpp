#include "platform/mdns/MdnsServiceTable.h"

#include "platform/mdns/MdnsCache.h"

#include <algorithm>

void MdnsServiceTable::add(int id, MdnsService *handle, const std::string &instanceName)
{
    const auto [it, added] = m_services.emplace(id, Service{handle, MdnsResolution(instanceName)});
    m_byInstance.emplace(it->second.resolution.instanceKey(), id);
    protect(instanceName, {dns::TypeSrv, dns::TypeTxt}, true);
}

void MdnsServiceTable::remove(int id)
{
    const auto found = m_services.find(id);
    if (found == m_services.end())
        return;
    const MdnsResolution &resolution = found->second.resolution;
    erase(m_byInstance, resolution.instanceKey(), id);
    protect(resolution.instanceName(), {dns::TypeSrv, dns::TypeTxt}, false);
    if (!resolution.hostKey().empty()) {
        erase(m_byHost, resolution.hostKey(), id);
        protect(resolution.hostKey(), {dns::TypeA, dns::TypeAaaa}, false);
    }
    m_services.erase(found);
}

MdnsServiceTable::Service *MdnsServiceTable::find(int id)
{
    const auto found = m_services.find(id);
    return found == m_services.end() ? nullptr : &found->second;
}

const MdnsServiceTable::Service *MdnsServiceTable::find(int id) const
{
    const auto found = m_services.find(id);
    return found == m_services.end() ? nullptr : &found->second;
}

void MdnsServiceTable::hostChanged(int id, const std::string &previousHostKey)
{
    const Service *service = find(id);
    if (service == nullptr || service->resolution.hostKey() == previousHostKey)
        return;
    if (!previousHostKey.empty()) {
        erase(m_byHost, previousHostKey, id);
        protect(previousHostKey, {dns::TypeA, dns::TypeAaaa}, false);
    }
    m_byHost.emplace(service->resolution.hostKey(), id);
    protect(service->resolution.hostKey(), {dns::TypeA, dns::TypeAaaa}, true);
}

void MdnsServiceTable::protect(const std::string &name, std::initializer_list<uint16_t> types,
                               bool on)
{
    for (const uint16_t type : types)
        on ? m_cache.protect(name, type) : m_cache.unprotect(name, type);
}

std::vector<int> MdnsServiceTable::of(const std::unordered_set<std::string> &instanceKeys,
                                      const std::unordered_set<std::string> &hostKeys) const
{
    std::vector<int> ids;
    for (const auto &[index, keys] :
         {std::pair{&m_byInstance, &instanceKeys}, {&m_byHost, &hostKeys}}) {
        for (const std::string &key : *keys) {
            auto [first, last] = index->equal_range(key);
            for (auto it = first; it != last; ++it)
                ids.push_back(it->second);
        }
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

void MdnsServiceTable::wakeUp(qint64 at, int serviceId, WakeUp::Kind kind)
{
    m_wakeUps.emplace(at, WakeUp{serviceId, kind});
}

std::optional<qint64> MdnsServiceTable::nextWakeUp() const
{
    if (m_wakeUps.empty())
        return std::nullopt;
    return m_wakeUps.begin()->first;
}

std::vector<MdnsServiceTable::WakeUp> MdnsServiceTable::takeDueWakeUps(qint64 now, int limit)
{
    std::vector<WakeUp> due;
    while (int(due.size()) < limit && !m_wakeUps.empty() && m_wakeUps.begin()->first <= now) {
        if (contains(m_wakeUps.begin()->second.serviceId))
            due.push_back(m_wakeUps.begin()->second);
        m_wakeUps.erase(m_wakeUps.begin());
    }
    return due;
}

void MdnsServiceTable::erase(Index &index, const std::string &key, int id)
{
    auto [first, last] = index.equal_range(key);
    for (auto it = first; it != last; ++it) {
        if (it->second == id) {
            index.erase(it);
            return;
        }
    }
}
