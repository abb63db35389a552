#pragma once

#include "platform/mdns/DnsMessage.h"
#include "platform/mdns/MdnsQuestion.h"

#include <QHostAddress>

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class MdnsCache;

// Takes the records of one accepted response into the cache and says what changed: the new PTR
// records (goodbyes aside), the instances whose SRV, TXT or NSEC changed and the hosts whose
// addresses or NSEC changed. Only class IN records of the answer and additional sections count;
// questions and the authority section (probes' proposals) are ignored.
//
// Split responses: a responder for many hosts spreads a large answer over several messages, and a
// host's address records may straddle two of them, in any order. The hosts of a message of
// kSplitResponseSize bytes or more stay open until the same sender's next message (which lists them
// among the changed hosts), or until the sender has been quiet for mdns::kBurstGap and its burst is
// over; at most kMaxOpenHosts hosts are open at once.
class MdnsResponseIntake
{
public:
    // A message this large may be one part of a split response.
    static constexpr qsizetype kSplitResponseSize = 1400;
    static constexpr size_t kMaxOpenHosts = 1000;

    explicit MdnsResponseIntake(MdnsCache &cache)
        : m_cache(cache)
    {
    }

    struct Changes {
        std::vector<const dns::ResourceRecord *> pointers; // into the message taken
        std::unordered_set<std::string> instances;         // name keys
        std::unordered_set<std::string> hosts;             // name keys
    };
    Changes take(const dns::Message &message, qsizetype size, const QHostAddress &source,
                 int interfaceIndex, qint64 now);

    // When the addresses of host `hostKey` will count as complete; nothing when they do now.
    std::optional<qint64> openUntil(const std::string &hostKey, qint64 now);

private:
    struct OpenHost {
        QString source;
        qint64 since = 0;
    };
    MdnsCache &m_cache;
    std::unordered_map<std::string, OpenHost> m_openHosts;
};
