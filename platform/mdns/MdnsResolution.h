#pragma once

#include "platform/mdns/DnsMessage.h"
#include "platform/mdns/MdnsQuestion.h"

#include <QByteArray>
#include <QList>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class MdnsCache;
class MdnsResponseIntake;

// What one service (one instance name) is after: its resolution and its TXT monitoring. evaluate()
// looks at the cache and says what to ask, when to look again and what to report; the engine
// calls it when the service's records change and at the wake-up times it asked for.
//
// - Resolution asks only for what the cache lacks: SRV and TXT of the instance, then A and AAAA of
//   the SRV target, each repeated after 1 s and then at doubling intervals up to 60 s. A host's
//   addresses are complete once both families are cached, or one family and an NSEC record that
//   denies the other (RFC 6762 §6.1). With one family only, the other is asked for; once the
//   question has left (questionSent), its answer has mdns::kBurstGap to come by
//   unicast, or 120 ms more by multicast, the longest responders hold a multicast answer back
//   (RFC 6762 §6). A host still open in a split response is waited for.
// - Monitoring reports the newest TXT record once, then each real change of its bytes once; a
//   missing TXT is asked for with the same repetition.
class MdnsResolution
{
public:
    explicit MdnsResolution(std::string instanceName);

    struct Step {
        std::vector<std::pair<std::string, dns::RecordType>> questions;
        std::vector<qint64> wakeAt;
        std::optional<QByteArray> txtChanged;
        bool resolved = false;
    };
    Step evaluate(const MdnsCache &cache, MdnsResponseIntake &intake, qint64 now);

    void startResolving();
    void startMonitoring();
    // The resolution's time is up: true when it had not succeeded (and so has failed).
    bool timeOut();
    // A question of `type` for the host went out now (or another querier's stood in for it): when
    // to look again, if this resolution was waiting for it.
    std::optional<qint64> questionSent(uint16_t type, mdns::Delivery delivery, qint64 now);

    const std::string &instanceName() const { return m_instanceName; }
    const std::string &instanceKey() const { return m_instanceKey; }
    const std::string &hostKey() const { return m_hostKey; } // empty before the SRV record came
    bool isMonitoring() const { return m_monitoring; }
    bool isResolved() const { return m_resolved; }
    const std::string &hostName() const { return m_hostName; }
    quint16 port() const { return m_port; }
    // The socket addresses of the host, with the port.
    QList<QByteArray> addresses(const MdnsCache &cache, qint64 now) const;

private:
    struct Retry {
        std::optional<qint64> nextAt;
        qint64 interval = 0;
    };
    bool retryDue(Retry &retry, qint64 now, Step &step);
    void evaluateTxt(const MdnsCache &cache, qint64 now, Step &step);
    void evaluateResolution(const MdnsCache &cache, MdnsResponseIntake &intake, qint64 now,
                            Step &step);

    std::string m_instanceName;
    std::string m_instanceKey;
    bool m_resolving = false;
    bool m_resolved = false;
    bool m_monitoring = false;
    std::optional<std::string> m_lastTxt;
    std::string m_hostName;
    std::string m_hostKey;
    quint16 m_port = 0;
    // A host with one address family: the other one asked for, and when the host counts as
    // complete.
    std::optional<uint16_t> m_otherFamily;
    std::optional<qint64> m_settleAt;
    Retry m_instanceRetry;
    Retry m_addressRetry;
    Retry m_txtRetry;
};
