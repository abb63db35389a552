#pragma once

#include "platform/mdns/MdnsQuestion.h"

#include <optional>

// When one browse asks its PTR question: first at `firstAt` (the engine spreads it 2-12 ms after
// the start), the second 1 s later, then at doubling intervals up to one hour (RFC 6762 §5.2).
// While a repetition still brings new instances within a second, the next one follows a second
// after it, and one more a second after that, before the intervals double from two seconds again:
// the answers it found were lost before, so others may still be (a lossy link), a round's answers
// may be lost whole, and the known answers keep each round's answers to what is still missing. A
// browse that hears everything at once keeps the usual schedule. A resolution question that goes
// unanswered for a second is a sign of loss too, whether or not the last round found anything: the
// next round then also follows a second after the last, up to the fifth question. (1000 devices,
// 20 % of datagrams lost each way, 5-second browses: the three fixed rounds left 3 of 60 short of
// PTRs, each time after a third round that still found some; with rounds after new instances only,
// 1 of 25, a run whose responder answered neither the second nor the third question; with missed
// answers counted too, 0 of 30.) The first question asks for unicast answers when no other program
// shares the port: responders then answer it at once, even for records they multicast less than a
// second ago. A question another querier asked for us counts as our own (§7.3). A browse outside
// "local." never asks.
//
// Measured on the simulated network (median of 5, QU first against QM first, same build otherwise,
// machine load about 3): 100 python3-zeroconf devices 22 against 122 ms, 1000 142 against 236 ms,
// 4000 557 against 614 ms (their multicast answers wait 20-120 ms); but responders that ignore QU
// (Debian's mdnsd, as devices embed it) answer only the second question: 20 of them 1122 against
// about 150 ms. Full-featured responders are the common case, so the first question stays QU.
class MdnsBrowseSchedule
{
public:
    MdnsBrowseSchedule(std::optional<qint64> firstAt)
        : m_nextAt(firstAt)
    {
    }

    std::optional<qint64> nextAt() const { return m_nextAt; }
    bool isDue(qint64 now) const { return m_nextAt && *m_nextAt <= now; }
    // True while a question of ours is still to come (so another's can stand in for it).
    bool isWaiting(qint64 now) const { return m_nextAt && *m_nextAt > now; }

    // The question goes out now, with this delivery.
    mdns::Delivery send(qint64 now, bool portShared);
    // Another querier asked the question now.
    void askedByAnother(qint64 now) { advance(now); }
    // An instance never heard before in this browse answered now.
    void instanceFound(qint64 now);
    // A resolution's multicast question went unanswered for a second.
    void answerMissed();

private:
    void advance(qint64 now);
    void askAgainSoon();

    std::optional<qint64> m_nextAt;
    std::optional<qint64> m_lastAt;
    qint64 m_interval = 1000;
    int m_sent = 0;
};
