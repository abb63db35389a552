#pragma once

#include "platform/widearea/DnsAnswer.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <vector>

// Asks a unicast DNS server, as wide-area DNS-SD does. The system's resolver (systemResolver())
// is the real one; tests script a fake.
class UnicastResolver
{
public:
    using Answer = std::function<void(const std::vector<DnsAnswerRecord> &records)>;

    virtual ~UnicastResolver() = default;

    // Asks for `type` records (ns_t_ptr, ns_t_srv, ns_t_txt, ns_t_a, ns_t_aaaa) of the absolute
    // `name` (presentation form). `done` runs on the main thread with what came back (nothing on
    // any failure), never from inside this call, and never once `receiver` is gone: a question
    // whose receiver has gone before it was sent is not sent at all.
    virtual void ask(const QByteArray &name, int type, QObject *receiver, Answer done) = 0;
};

// libresolv's res_nquery with the configuration of /etc/resolv.conf, on a pool of
// kMaxQueriesInFlight threads so that a slow or silent server never blocks the main thread. Each
// query gives up after kQueryTimeoutSeconds per server and try (at most kQueryTries tries), so a
// silent server holds a pool thread for a bounded time. A truncated UDP answer is asked again
// over TCP; answers up to 64 KB are read.
inline constexpr int kMaxQueriesInFlight = 8;
inline constexpr int kQueryTimeoutSeconds = 2;
inline constexpr int kQueryTries = 2;
UnicastResolver &systemResolver();
