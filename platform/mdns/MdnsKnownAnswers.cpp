#include "platform/mdns/MdnsKnownAnswers.h"

namespace mdns
{

std::vector<const MdnsCache::Entry *> knownEntries(const MdnsCache &cache, const std::string &name,
                                                   uint16_t type, qint64 now, qint64 heardSince)
{
    std::vector<const MdnsCache::Entry *> entries = cache.find(name, type, now);
    std::erase_if(entries, [&](const MdnsCache::Entry *entry) {
        return entry->goodbye || entry->receivedAt < heardSince ||
               entry->remaining(now) * 2 < entry->lifetime;
    });
    return entries;
}

std::vector<dns::ResourceRecord> knownAnswers(const MdnsCache &cache, const std::string &name,
                                              uint16_t type, qint64 now, qint64 heardSince)
{
    std::vector<dns::ResourceRecord> answers;
    for (const MdnsCache::Entry *entry : knownEntries(cache, name, type, now, heardSince)) {
        dns::ResourceRecord answer = entry->record;
        answer.cacheFlush = false;
        answer.ttl = static_cast<uint32_t>(entry->remaining(now) / 1000);
        answers.push_back(std::move(answer));
    }
    return answers;
}

} // namespace mdns
