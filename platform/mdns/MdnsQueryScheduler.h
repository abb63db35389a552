#pragma once

#include "platform/mdns/MdnsQuestion.h"

#include <QByteArray>

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

class MdnsCache;

// The questions waiting to go out, and the query messages they become. What leaves at `now` is a
// function of the pending questions, the cache and `now` alone:
// - all questions due within mdns::kAggregationDelay share messages, browse (PTR) questions first,
//   then in the order they became due; a question the cache already answers with at least half its
//   TTL left is dropped, except a browse question;
// - a question asked at the same name and type as a pending one merges with it (earliest due
//   time, QM if either is, quiet-waiting only if both are);
// - a `Pace::whenQuiet` question waits until no response has arrived for kQuietPeriod, at most
//   kMaxDeferral after it was asked;
// - each message holds at most kMaxQuerySize bytes; the known answers that do not fit follow in
//   further messages, all but the last with the TC bit (RFC 6762 §7.2);
// - at most kMessagesPerBurst messages every kBurstInterval (a known-answer continuation is never
//   cut); the rest waits for the next burst.
class MdnsQueryScheduler
{
public:
    // Resolution questions wait for this pause in the responses: a question asked too early costs
    // only traffic, so this is shorter than mdns::kBurstGap, after which a host's records count as
    // complete.
    static constexpr qint64 kQuietPeriod = 20;
    static constexpr qint64 kMaxDeferral = 500;
    // A query message fits one Ethernet frame also over IPv6 (1500 - 40 - 8).
    static constexpr size_t kMaxQuerySize = 1452;
    // Pacing, so that the answers to a large resolution do not overflow receive buffers.
    static constexpr int kMessagesPerBurst = 8;
    static constexpr qint64 kBurstInterval = 10;

    using KnownAnswers =
        std::function<std::vector<dns::ResourceRecord>(const std::string &name, uint16_t type)>;

    void ask(mdns::PendingQuestion question);
    // Forgets the question of `nameKey` and `type`; true when one was pending.
    bool cancel(const std::string &nameKey, uint16_t type);
    bool isPending(const std::string &nameKey, uint16_t type) const;
    void responseArrived(qint64 now) { m_lastResponseAt = now; }

    // The query messages to send at `now`, each with the questions it carries.
    struct Outgoing {
        QByteArray datagram;
        std::vector<mdns::PendingQuestion> questions;
    };
    std::vector<Outgoing> takeDue(qint64 now, const MdnsCache &cache,
                                  const KnownAnswers &knownAnswers);
    // When takeDue() will next have something to send; nothing when no question is pending.
    std::optional<qint64> nextDue() const;

private:
    using Key = std::pair<std::string, uint16_t>;
    using Due = std::vector<std::map<Key, mdns::PendingQuestion>::iterator>;
    // The questions to send now, browse questions first; quiet-waiting ones get a later due time.
    Due dueQuestions(qint64 now);
    // Writes one message (with its known-answer continuations) from due[next...]; returns the
    // index of the first question left.
    size_t writeMessage(const Due &due, size_t next, qint64 now, const MdnsCache &cache,
                        const KnownAnswers &knownAnswers, std::vector<Outgoing> &messages);

    std::map<Key, mdns::PendingQuestion> m_pending;
    // The earliest due time of m_pending, asked for after every datagram: kept up to date by ask(),
    // found again (one pass) after cancel() and takeDue().
    mutable std::optional<qint64> m_earliestDue;
    mutable bool m_earliestKnown = true;
    qint64 m_nextSendAllowedAt = 0;
    std::optional<qint64> m_lastResponseAt;
};
