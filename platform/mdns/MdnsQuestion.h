#pragma once

#include "platform/mdns/DnsMessage.h"

#include <QtGlobal>

#include <string>

// A question the querier means to ask, with how the answer should come and how soon.
namespace mdns
{

// QU asks responders to answer by unicast at once (RFC 6762 §5.4); QM asks for the usual
// multicast answer. Only a question's first transmission may be QU, and some responders ignore QU
// questions altogether.
enum class Delivery { multicast, unicast };

// A resolution's question may wait while responses still stream in: the rest of a response split
// over several messages often brings what it would ask for. Browse and refresh questions go when
// due.
enum class Pace { whenDue, whenQuiet };

// Questions that become due within this window share a message.
constexpr qint64 kAggregationDelay = 10;

// A responder sends a multi-message answer back to back: its burst is over once it has been quiet
// this long. Measured on the simulated network (python3-zeroconf answering for 1000 and 4000 hosts,
// machine load 5 on 2 cores), the pause after a full message before the next one of the same
// burst: 99 % under 10 ms, the longest 38 ms in about 7000; 50 ms leaves a margin over that and
// still ends a browse within tens of milliseconds of the last answer.
constexpr qint64 kBurstGap = 50;

// A responder answers a QU question for a record only it holds (SRV, TXT, A, AAAA) at once, with no
// delay: one that has not answered within this is taken to ignore QU, and the question goes again
// as QM. The answers to many such questions come as one burst, so the wait is the burst gap.
constexpr qint64 kUnicastAnswerWait = kBurstGap;

// A question a decision wants asked.
struct Ask {
    std::string name;
    dns::RecordType type = dns::TypePtr;
    Delivery delivery = Delivery::multicast;
};

struct PendingQuestion {
    std::string name;
    dns::RecordType type = dns::TypePtr;
    qint64 dueAt = 0;
    Delivery delivery = Delivery::multicast;
    Pace pace = Pace::whenDue;
    qint64 askedAt = 0;
};

} // namespace mdns
