#pragma once

#include "platform/mdns/DnsMessage.h"

#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The record cache of the mDNS querier (RFC 6762 §10): every record of every answer section,
// indexed by name (without regard to case) and type. Time is passed in, in milliseconds, so
// expiry is a pure function of the calls made.
//
// - A record's life ends at its TTL; expired records leave through a time-ordered queue, never
//   through a scan of the whole cache.
// - A goodbye (TTL 0) keeps the record for one more second (§10.1).
// - A record with the cache-flush bit marks the other records of its name, type and class that
//   arrived more than a second earlier to expire one second later (§10.2).
// - The cache holds at most `capacity` records and `byteCapacity` bytes of their names and data
//   (with the copies its queues keep: a flood of 9000-byte records must not take hundreds of
//   megabytes); beyond that the ones closest to expiry go, those of a protected name and type
//   (up to 1300 bytes of data) last: a flood of unsolicited records must not push out the records
//   a resolution waits on.
// - Records of a watched name and type are offered for a refresh query at 80, 85, 90 and 95 % of
//   their TTL (§5.2), plus a small jitter.
class MdnsCache
{
public:
    struct Entry {
        dns::ResourceRecord record;
        qint64 receivedAt = 0;
        qint64 expiresAt = 0;
        qint64 lifetime = 0; // TTL at receipt, ms
        int interfaceIndex = 0;
        bool goodbye = false;

        qint64 remaining(qint64 now) const { return expiresAt - now; }
    };

    explicit MdnsCache(size_t capacity = 20000, size_t byteCapacity = 16 * 1024 * 1024);

    // `jitter(n)` returns a number in [0, n) for the refresh times; the default gives 0.
    void setJitter(std::function<qint64(qint64)> jitter);

    // False when the record changed nothing: a goodbye for nothing live, or a record that the
    // capacity bound pushed out at once.
    bool insert(const dns::ResourceRecord &record, qint64 now, int interfaceIndex);

    // The live records of `name` (any case) and `type`, oldest first.
    std::vector<const Entry *> find(const std::string &name, uint16_t type, qint64 now) const;
    // The most recently received live record of `name` and `type` that is not a goodbye.
    const Entry *newest(const std::string &name, uint16_t type, qint64 now) const;

    void removeExpired(qint64 now);
    std::optional<qint64> nextExpiry() const;
    size_t size() const { return m_size; }

    // Protection counts: records of a name and type protected at least once are evicted only when
    // nothing else is left to evict.
    void protect(const std::string &name, uint16_t type);
    void unprotect(const std::string &name, uint16_t type);

    // Watching counts: records of a name and type watched at least once get refresh times.
    void watch(const std::string &name, uint16_t type);
    void unwatch(const std::string &name, uint16_t type);
    struct Refresh {
        std::string name;
        uint16_t type;
    };
    // Name and type of each watched record whose next refresh time has come (each at most once
    // per call); their following refresh times are scheduled.
    std::vector<Refresh> takeDueRefreshes(qint64 now);
    std::optional<qint64> nextRefresh() const;

private:
    using Key = std::string;                                          // name key + two type bytes
    using Queue = std::multimap<qint64, std::pair<Key, std::string>>; // -> key, rdata
    struct Slot {
        Entry entry;
        std::optional<Queue::iterator> expiry;
        std::optional<Queue::iterator> refresh;
        std::optional<Queue::iterator> eviction; // unprotected records only
        int refreshStage = 0;
    };

    static Key keyOf(const std::string &name, uint16_t type);
    static size_t bytesOf(const dns::ResourceRecord &record);
    Slot *slot(const Key &key, const std::string &rdata);
    void setExpiry(const Key &key, Slot &slot, qint64 expiresAt);
    void scheduleRefresh(const Key &key, Slot &slot);
    void placeForEviction(const Key &key, Slot &slot);
    static void count(std::unordered_map<Key, int> &counts, const Key &key, int change);
    void remove(const Key &key, const std::string &rdata);

    size_t m_capacity;
    size_t m_byteCapacity;
    size_t m_size = 0;
    size_t m_bytes = 0;
    // By key, then by data: a browse's PTR records can be thousands under one key.
    std::unordered_map<Key, std::map<std::string, Slot>> m_records;
    std::unordered_map<Key, int> m_watched;
    std::unordered_map<Key, int> m_protected;
    Queue m_expiryQueue;
    Queue m_evictionQueue; // by expiry, of the unprotected records
    Queue m_refreshQueue;
    std::function<qint64(qint64)> m_jitter;
};
