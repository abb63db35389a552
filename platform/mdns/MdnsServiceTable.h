#pragma once

#include "platform/mdns/MdnsResolution.h"

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class MdnsCache;
class MdnsService;

// The engine's services by id, each with its handle and its resolution, also found by the name key
// of its instance and of its host (once an SRV record named one), and the times at which they look
// at the cache again or their resolution times out. The host index follows a resolution whose host
// changed only through hostChanged(); a removed service's wake-ups are dropped when they come due.
// The records a service waits on (SRV and TXT of its instance, A and AAAA of its host) stay
// protected in the cache while the service is in the table.
class MdnsServiceTable
{
public:
    explicit MdnsServiceTable(MdnsCache &cache)
        : m_cache(cache)
    {
    }

    struct Service {
        MdnsService *handle = nullptr;
        MdnsResolution resolution;
    };

    void add(int id, MdnsService *handle, const std::string &instanceName);
    void remove(int id);
    Service *find(int id);
    const Service *find(int id) const;
    bool contains(int id) const { return m_services.contains(id); }
    void hostChanged(int id, const std::string &previousHostKey);

    // The services of any of these instance and host keys, each once, by ascending id.
    std::vector<int> of(const std::unordered_set<std::string> &instanceKeys,
                        const std::unordered_set<std::string> &hostKeys) const;

    struct WakeUp {
        enum class Kind { evaluate, resolveTimeout };
        int serviceId = 0;
        Kind kind = Kind::evaluate;
    };
    void wakeUp(qint64 at, int serviceId, WakeUp::Kind kind = WakeUp::Kind::evaluate);
    std::optional<qint64> nextWakeUp() const;
    // The wake-ups of existing services due at `now`, at most `limit` of them, earliest first.
    std::vector<WakeUp> takeDueWakeUps(qint64 now, int limit);

private:
    using Index = std::unordered_multimap<std::string, int>;
    static void erase(Index &index, const std::string &key, int id);
    void protect(const std::string &name, std::initializer_list<uint16_t> types, bool on);

    MdnsCache &m_cache;
    std::unordered_map<int, Service> m_services;
    Index m_byInstance;
    Index m_byHost;
    std::multimap<qint64, WakeUp> m_wakeUps;
};
