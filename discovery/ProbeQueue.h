#pragma once

#include "platform/HttpClient.h"

#include <QUrl>

#include <chrono>
#include <deque>
#include <map>
#include <memory>

// Sends web-interface probes through an HttpClient with at most `limit` requests in flight,
// started in the order they were queued.
//
// Why a bound: a thousand cameras with three addresses each would otherwise open some 6000
// connections to 3000 addresses at once, more than the kernel's neighbour table (ARP/NDP, 1024
// entries by default) holds, so probes would fail for no fault of the devices.
//
// Each completion runs exactly once, on the main thread, never from inside enqueue(), unless
// abandonAll() dropped its request first (then it never runs). The queue may be destroyed while
// requests are in flight: their completions still run, nothing else is touched.
class ProbeQueue
{
public:
    ProbeQueue(HttpClient &client, int limit);
    ~ProbeQueue();
    ProbeQueue(const ProbeQueue &) = delete;
    ProbeQueue &operator=(const ProbeQueue &) = delete;

    void enqueue(const QUrl &url, std::chrono::milliseconds timeout,
                 HttpClient::Completion completion);

    // Forgets the requests that have not been sent yet and aborts those in flight, so that their
    // places are free at once.
    void abandonAll();

private:
    struct Request {
        QUrl url;
        std::chrono::milliseconds timeout;
        HttpClient::Completion completion;
    };
    struct State {
        HttpClient *client;
        int limit;
        std::map<quint64, HttpClient::RequestId> inFlight; // by sequence number
        quint64 sent = 0;
        std::deque<Request> waiting;
    };
    static void startWaiting(const std::shared_ptr<State> &state);

    std::shared_ptr<State> m_state;
};
