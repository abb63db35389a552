#include "platform/mdns/MdnsCache.h"

#include "platform/mdns/DnsName.h"

#include <algorithm>
#include <unordered_set>

namespace
{
constexpr qint64 kOneSecond = 1000;
constexpr int kRefreshPercent[] = {80, 85, 90, 95};
constexpr int kRefreshStages = 4;
// DNS-SD keeps a TXT record within 1300 bytes so that it fits one packet (RFC 6763 §6.2); larger
// records get no protection, so a flood of them cannot claim the protected room.
constexpr size_t kMaxProtectedData = 1300;
} // namespace

MdnsCache::MdnsCache(size_t capacity, size_t byteCapacity)
    : m_capacity(std::max<size_t>(capacity, 1))
    , m_byteCapacity(byteCapacity)
    , m_jitter([](qint64) { return qint64{0}; })
{
}

void MdnsCache::setJitter(std::function<qint64(qint64)> jitter)
{
    m_jitter = std::move(jitter);
}

size_t MdnsCache::bytesOf(const dns::ResourceRecord &record)
{
    // The index and the expiry, eviction and refresh queues keep copies of the data.
    return record.name.size() + record.target.size() + 5 * record.rdata.size();
}

MdnsCache::Key MdnsCache::keyOf(const std::string &name, uint16_t type)
{
    Key key = dns::nameKey(name);
    key.push_back(static_cast<char>(type >> 8));
    key.push_back(static_cast<char>(type));
    return key;
}

MdnsCache::Slot *MdnsCache::slot(const Key &key, const std::string &rdata)
{
    const auto found = m_records.find(key);
    if (found == m_records.end())
        return nullptr;
    const auto data = found->second.find(rdata);
    return data == found->second.end() ? nullptr : &data->second;
}

void MdnsCache::setExpiry(const Key &key, Slot &target, qint64 expiresAt)
{
    if (target.expiry)
        m_expiryQueue.erase(*target.expiry);
    target.entry.expiresAt = expiresAt;
    target.expiry =
        m_expiryQueue.emplace(expiresAt, std::make_pair(key, target.entry.record.rdata));
    placeForEviction(key, target);
}

void MdnsCache::placeForEviction(const Key &key, Slot &target)
{
    if (target.eviction) {
        m_evictionQueue.erase(*target.eviction);
        target.eviction.reset();
    }
    if (!m_protected.contains(key) || target.entry.record.rdata.size() > kMaxProtectedData)
        target.eviction = m_evictionQueue.emplace(target.entry.expiresAt,
                                                  std::make_pair(key, target.entry.record.rdata));
}

void MdnsCache::scheduleRefresh(const Key &key, Slot &target)
{
    if (target.refresh) {
        m_refreshQueue.erase(*target.refresh);
        target.refresh.reset();
    }
    if (target.entry.goodbye || !m_watched.contains(key) || target.refreshStage >= kRefreshStages)
        return;
    const qint64 lifetime = target.entry.lifetime;
    // Up to 2 % of the TTL of random delay, so that queriers do not refresh in step (§5.2).
    const qint64 at = target.entry.receivedAt +
                      lifetime * kRefreshPercent[target.refreshStage] / 100 +
                      m_jitter(std::max<qint64>(lifetime / 50, 1));
    target.refresh = m_refreshQueue.emplace(at, std::make_pair(key, target.entry.record.rdata));
}

bool MdnsCache::insert(const dns::ResourceRecord &record, qint64 now, int interfaceIndex)
{
    const Key key = keyOf(record.name, record.type);
    if (record.cacheFlush && record.ttl > 0) {
        const auto found = m_records.find(key);
        if (found != m_records.end()) {
            for (auto &[data, other] : found->second) {
                if (other.entry.record.rdata != record.rdata &&
                    other.entry.record.recordClass == record.recordClass &&
                    other.entry.receivedAt < now - kOneSecond &&
                    other.entry.expiresAt > now + kOneSecond)
                    setExpiry(key, other, now + kOneSecond);
            }
        }
    }

    Slot *existing = slot(key, record.rdata);
    if (record.ttl == 0) {
        if (existing == nullptr || existing->entry.goodbye)
            return false;
        existing->entry.goodbye = true;
        existing->entry.lifetime = kOneSecond;
        setExpiry(key, *existing, now + kOneSecond);
        scheduleRefresh(key, *existing);
        return true;
    }

    const qint64 lifetime = qint64{record.ttl} * kOneSecond;
    if (existing != nullptr) {
        m_bytes += bytesOf(record) - bytesOf(existing->entry.record);
        existing->entry.record = record;
        existing->entry.receivedAt = now;
        existing->entry.lifetime = lifetime;
        existing->entry.interfaceIndex = interfaceIndex;
        existing->entry.goodbye = false;
        existing->refreshStage = 0;
        setExpiry(key, *existing, now + lifetime);
        scheduleRefresh(key, *existing);
        return true;
    }

    Slot &added = m_records[key][record.rdata];
    added.entry.record = record;
    added.entry.receivedAt = now;
    added.entry.lifetime = lifetime;
    added.entry.interfaceIndex = interfaceIndex;
    setExpiry(key, added, now + lifetime);
    scheduleRefresh(key, added);
    ++m_size;
    m_bytes += bytesOf(record);
    while ((m_size > m_capacity || m_bytes > m_byteCapacity) && !m_expiryQueue.empty()) {
        const Queue &queue = m_evictionQueue.empty() ? m_expiryQueue : m_evictionQueue;
        const auto [evictKey, evictData] = queue.begin()->second;
        remove(evictKey, evictData);
    }
    return slot(key, record.rdata) != nullptr;
}

void MdnsCache::remove(const Key &key, const std::string &rdata)
{
    const auto found = m_records.find(key);
    if (found == m_records.end())
        return;
    auto &slots = found->second;
    const auto data = slots.find(rdata);
    if (data == slots.end())
        return;
    Slot &gone = data->second;
    if (gone.expiry)
        m_expiryQueue.erase(*gone.expiry);
    if (gone.refresh)
        m_refreshQueue.erase(*gone.refresh);
    if (gone.eviction)
        m_evictionQueue.erase(*gone.eviction);
    m_bytes -= bytesOf(gone.entry.record);
    slots.erase(data);
    --m_size;
    if (slots.empty())
        m_records.erase(found);
}

std::vector<const MdnsCache::Entry *> MdnsCache::find(const std::string &name, uint16_t type,
                                                      qint64 now) const
{
    std::vector<const Entry *> entries;
    const auto found = m_records.find(keyOf(name, type));
    if (found == m_records.end())
        return entries;
    for (const auto &[data, candidate] : found->second) {
        if (candidate.entry.expiresAt > now)
            entries.push_back(&candidate.entry);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry *a, const Entry *b) { return a->receivedAt < b->receivedAt; });
    return entries;
}

const MdnsCache::Entry *MdnsCache::newest(const std::string &name, uint16_t type, qint64 now) const
{
    const Entry *best = nullptr;
    for (const Entry *entry : find(name, type, now)) {
        if (!entry->goodbye)
            best = entry;
    }
    return best;
}

void MdnsCache::removeExpired(qint64 now)
{
    while (!m_expiryQueue.empty() && m_expiryQueue.begin()->first <= now) {
        const auto [key, rdata] = m_expiryQueue.begin()->second;
        remove(key, rdata);
    }
}

std::optional<qint64> MdnsCache::nextExpiry() const
{
    if (m_expiryQueue.empty())
        return std::nullopt;
    return m_expiryQueue.begin()->first;
}

void MdnsCache::count(std::unordered_map<Key, int> &counts, const Key &key, int change)
{
    if ((counts[key] += change) <= 0)
        counts.erase(key);
}

void MdnsCache::protect(const std::string &name, uint16_t type)
{
    const Key key = keyOf(name, type);
    count(m_protected, key, 1);
    if (const auto found = m_records.find(key); found != m_records.end()) {
        for (auto &[data, existing] : found->second)
            placeForEviction(key, existing);
    }
}

void MdnsCache::unprotect(const std::string &name, uint16_t type)
{
    const Key key = keyOf(name, type);
    if (!m_protected.contains(key))
        return;
    count(m_protected, key, -1);
    if (const auto found = m_records.find(key); found != m_records.end()) {
        for (auto &[data, existing] : found->second)
            placeForEviction(key, existing);
    }
}

void MdnsCache::watch(const std::string &name, uint16_t type)
{
    const Key key = keyOf(name, type);
    if (m_watched[key]++ > 0)
        return;
    const auto found = m_records.find(key);
    if (found == m_records.end())
        return;
    for (auto &[data, existing] : found->second)
        scheduleRefresh(key, existing);
}

void MdnsCache::unwatch(const std::string &name, uint16_t type)
{
    const Key key = keyOf(name, type);
    const auto watched = m_watched.find(key);
    if (watched == m_watched.end() || --watched->second > 0)
        return;
    m_watched.erase(watched);
    const auto found = m_records.find(key);
    if (found == m_records.end())
        return;
    for (auto &[data, existing] : found->second)
        scheduleRefresh(key, existing);
}

std::vector<MdnsCache::Refresh> MdnsCache::takeDueRefreshes(qint64 now)
{
    std::vector<Refresh> due;
    std::unordered_set<Key> listed;
    while (!m_refreshQueue.empty() && m_refreshQueue.begin()->first <= now) {
        const auto [key, rdata] = m_refreshQueue.begin()->second;
        Slot *target = slot(key, rdata);
        if (target == nullptr) { // cannot happen: removal takes the refresh entry along
            m_refreshQueue.erase(m_refreshQueue.begin());
            continue;
        }
        target->refresh.reset();
        m_refreshQueue.erase(m_refreshQueue.begin());
        ++target->refreshStage;
        scheduleRefresh(key, *target);
        if (listed.insert(key).second)
            due.push_back({target->entry.record.name, target->entry.record.type});
    }
    return due;
}

std::optional<qint64> MdnsCache::nextRefresh() const
{
    if (m_refreshQueue.empty())
        return std::nullopt;
    return m_refreshQueue.begin()->first;
}
