#pragma once

#include "platform/Clock.h"
#include "platform/HttpClient.h"

#include <QUrl>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>

// Sends web-interface probes through an HttpClient, at most `limit` of them being opened at once
// and at most `openLimit` out at all, started in the order they were queued - except that
// probes of auto-IP addresses (169.254.0.0/16) wait until no other probe is waiting, and take at
// most half of the places.
//
// Why a bound on probes being opened: a thousand cameras with three addresses each would
// otherwise open some 6000 connections to 3000 addresses at once, more than the kernel's
// neighbour table (ARP/NDP, 1024 entries by default) holds, so probes would fail for no fault of
// the devices.
//
// Why a probe stops counting against it after kOpeningMs: an address that does not answer must
// not hold a place for its whole time-out. Most sites route no auto-IP address: the connection
// attempt goes to the router and vanishes, and only the time-out ends it. After kOpeningMs a
// probe still out waits for its answer (up to its own time-out) without holding a place. 3 s is
// how long the kernel tries to resolve an on-link neighbour (three solicitations, a second
// apart): an address that answers no ARP/NDP has failed by then, so the neighbour table still
// holds at most about `limit` unresolved entries, while a device that answers at all has its
// connection up well within it.
//
// Why auto-IP last, and on half the places at most: on such sites every auto-IP probe takes
// kOpeningMs of a place, so queued in between, or filling every place while the next camera's
// other addresses are on their way, they would hold back the addresses that answer.
//
// Why a bound on probes out: each is a socket, a file descriptor (see raiseOpenFileLimit()).
//
// Each completion runs exactly once, on the main thread, never from inside enqueue(), unless
// abandonAll() dropped its request first (then it never runs). The queue may be destroyed while
// requests are in flight: their completions still run, nothing else is touched.
class ProbeQueue
{
public:
    static constexpr qint64 kOpeningMs = 3000;
    // Probes out at most where the open-file limit allows: 1000 cameras whose auto-IP addresses
    // are black-holed keep 2000 probes out for their time-out.
    static constexpr int kMaxOut = 4096;
    using TimerFactory = std::function<std::unique_ptr<OneShotTimer>()>;

    // `makeTimer` measures kOpeningMs (null: QtOneShotTimers).
    ProbeQueue(HttpClient &client, int limit, int openLimit, TimerFactory makeTimer = nullptr);
    ~ProbeQueue();
    ProbeQueue(const ProbeQueue &) = delete;
    ProbeQueue &operator=(const ProbeQueue &) = delete;

    void enqueue(const QUrl &url, std::chrono::milliseconds timeout,
                 HttpClient::Completion completion);

    // Forgets the requests that have not been sent yet and aborts those in flight, so that their
    // places are free at once.
    void abandonAll();

    // The most probes that were being opened at once, and out at once, since construction.
    int mostOpening() const { return m_state->mostOpening; }
    int mostOut() const { return m_state->mostOut; }

private:
    struct Request {
        QUrl url;
        std::chrono::milliseconds timeout;
        HttpClient::Completion completion;
    };
    struct InFlight {
        HttpClient::RequestId id;
        std::unique_ptr<OneShotTimer> opening; // ends kOpeningMs after the request was sent
        bool isOpening;
        bool isAutoIp;
    };
    struct State {
        HttpClient *client;
        int limit;
        int openLimit;
        TimerFactory makeTimer;
        std::map<quint64, InFlight> inFlight; // by sequence number
        int opening = 0;
        int openingAutoIp = 0;
        quint64 sent = 0;
        std::deque<Request> waiting;
        std::deque<Request> autoIpWaiting;
        int mostOpening = 0;
        int mostOut = 0;
    };
    static void startWaiting(const std::shared_ptr<State> &state);
    static void settle(const std::shared_ptr<State> &state, quint64 sequence);
    static void stopOpening(const std::shared_ptr<State> &state, quint64 sequence);

    std::shared_ptr<State> m_state;
};

// Raises this process's soft limit on open files towards `wanted` (never beyond the hard limit)
// and returns how many probes may be out at once under it: the limit less a reserve for the
// program's other files and sockets, and at least `minimum`.
int probeOpenLimit(int wanted, int minimum);
