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
//   the SRV target, each repeated kSteadyRetries times every kFirstRetryInterval (so that a
//   lossy link gets a few tries within a five-second search) and then at doubling intervals up to
//   kMaxRetryInterval. A host's addresses are complete once both families are cached, or one
//   family and an NSEC record that denies the other (RFC 6762 §6.1). With one family only, the
//   other has mdns::kBurstGap to come after a question for it left (questionSent): only the host
//   answers it, so no responder holds it back (§6). That question is the one that asked for both
//   families, if it did; otherwise the other family is asked for. A host still open in a split
//   response is waited for.
// - A question's first transmission asks for a unicast answer (QU) unless another program shares
//   the port; every repetition is QM (§5.4). A QU question still unanswered
//   mdns::kUnicastAnswerWait after it left goes again at once as QM, for responders that ignore
//   QU; after that, the resolution's first questions are QM too.
// - Monitoring reports the newest TXT record once, then each real change of its bytes once; a
//   missing TXT is asked for with the same repetition.
class MdnsResolution
{
public:
    explicit MdnsResolution(std::string instanceName);

    static constexpr qint64 kFirstRetryInterval = 1000;
    static constexpr int kSteadyRetries = 3;
    static constexpr qint64 kMaxRetryInterval = 60 * 1000;

    struct Step {
        std::vector<mdns::Ask> questions;
        std::vector<qint64> wakeAt;
        std::optional<QByteArray> txtChanged;
        bool resolved = false;
        // A multicast question asked a retry interval ago is still unanswered: the link loses
        // answers (or the host has gone).
        bool answerMissed = false;
    };
    // `portShared`: another program listens on port 5353 too, so unicast answers may not reach us.
    Step evaluate(const MdnsCache &cache, MdnsResponseIntake &intake, qint64 now, bool portShared);

    void startResolving();
    void startMonitoring();
    // The resolution's time is up: true when it had not succeeded (and so has failed).
    bool timeOut();
    // A question of `type` for the instance or its host went out now (or another querier's stood in
    // for it): when to look again, if this resolution waits for its answer.
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
    // The repetition of one kind of question.
    struct Retry {
        std::optional<qint64> nextAt;
        qint64 interval = 0;
        int sent = 0;
        bool unicastUnanswered = false; // its first, QU transmission awaits the answer
    };
    // The delivery of the question to ask now, if one is due.
    std::optional<mdns::Delivery> retryDue(Retry &retry, qint64 now, bool portShared, Step &step);
    Retry *retryOf(uint16_t type);
    void evaluateTxt(const MdnsCache &cache, qint64 now, bool portShared, Step &step);
    void evaluateResolution(const MdnsCache &cache, MdnsResponseIntake &intake, qint64 now,
                            bool portShared, Step &step);
    void evaluateAddresses(const MdnsCache &cache, qint64 now, bool portShared, Step &step);

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
    Retry m_otherFamilyRetry;
    std::optional<qint64> m_settleAt;
    std::optional<qint64> m_addressesAskedAt; // both families' questions left then
    Retry m_instanceRetry;
    Retry m_addressRetry;
    Retry m_txtRetry;
    bool m_unicastIgnored = false; // a QU question of this service went unanswered
};
