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
// - all questions due within 10 ms share messages, browse (PTR) questions first, then in the
//   order they became due; a question the cache already answers with at least half its TTL left
//   is dropped, except a browse question;
// - a question asked at the same name and type as a pending one merges with it (earliest due
//   time, QU if either is, quiet-waiting only if both are);
// - a `Pace::WhenQuiet` question waits until no response has arrived for 20 ms, at most 500 ms
//   after it was asked;
// - each message holds at most 1452 bytes; the known answers that do not fit follow in further
//   messages, all but the last with the TC bit (RFC 6762 §7.2);
// - at most 8 messages every 10 ms (a known-answer continuation is never cut); the rest waits for
//   the next burst.
class MdnsQueryScheduler
{
public:
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
    std::map<Key, mdns::PendingQuestion> m_pending;
    // The earliest due time of m_pending, asked for after every datagram: kept up to date by ask(),
    // found again (one pass) after cancel() and takeDue().
    mutable std::optional<qint64> m_earliestDue;
    mutable bool m_earliestKnown = true;
    qint64 m_nextSendAllowedAt = 0;
    std::optional<qint64> m_lastResponseAt;
};
