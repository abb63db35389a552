#pragma once

#include "platform/mdns/MdnsQuestion.h"

#include <optional>

// When one browse asks its PTR question: first at `firstAt` (the engine spreads it 2-12 ms after
// the start), the second 1 s later, then at doubling intervals up to one hour (RFC 6762 §5.2). A
// question another querier asked for us counts as our own (§7.3). A browse outside "local." never
// asks.
//
// Every browse question is QM, the first too. Measured on the simulated network: a first QU
// question finds 100 python3-zeroconf devices in 34 ms (median of 5) where QM takes 83 ms (their
// multicast answers wait 20-120 ms), but responders that ignore QU (Debian's mdnsd, as devices
// embed it) then answer only the second question: 20 of them took 1198 ms, against 206 ms when
// the first question is QM.
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

    // The question goes out now.
    void send(qint64 now) { advance(now); }
    // Another querier asked the question now.
    void askedByAnother(qint64 now) { advance(now); }

private:
    void advance(qint64 now);

    std::optional<qint64> m_nextAt;
    qint64 m_interval = 1000;
};
