#include "discovery/ProbeQueue.h"

#include "platform/QtOneShotTimer.h"

#include <QHostAddress>

#include <sys/resource.h>

#include <algorithm>

namespace
{

// The sockets and files of everything but the probes: mDNS, Qt, the display connection...
constexpr int kOtherFiles = 128;

bool isAutoIp(const QUrl &url)
{
    const QHostAddress host(url.host());
    return host.protocol() == QAbstractSocket::IPv4Protocol && host.isLinkLocal();
}

} // namespace

ProbeQueue::ProbeQueue(HttpClient &client, int limit, int openLimit, TimerFactory makeTimer)
    : m_state(std::make_shared<State>())
{
    m_state->client = &client;
    m_state->limit = std::max(limit, 1);
    m_state->openLimit = std::max(openLimit, m_state->limit);
    m_state->makeTimer = makeTimer ? std::move(makeTimer) : [] {
        return std::unique_ptr<OneShotTimer>(new QtOneShotTimer);
    };
}

ProbeQueue::~ProbeQueue() = default;

void ProbeQueue::enqueue(const QUrl &url, std::chrono::milliseconds timeout,
                         HttpClient::Completion completion)
{
    (isAutoIp(url) ? m_state->autoIpWaiting : m_state->waiting)
        .push_back({url, timeout, std::move(completion)});
    startWaiting(m_state);
}

void ProbeQueue::abandonAll()
{
    m_state->waiting.clear();
    m_state->autoIpWaiting.clear();
    m_state->opening = 0;
    m_state->openingAutoIp = 0;
    const auto inFlight = std::exchange(m_state->inFlight, {});
    for (const auto &[sequence, request] : inFlight)
        m_state->client->abort(request.id);
}

void ProbeQueue::settle(const std::shared_ptr<State> &state, quint64 sequence)
{
    const auto found = state->inFlight.find(sequence);
    if (found == state->inFlight.end())
        return;
    if (found->second.isOpening) {
        --state->opening;
        state->openingAutoIp -= found->second.isAutoIp ? 1 : 0;
    }
    state->inFlight.erase(found);
}

void ProbeQueue::stopOpening(const std::shared_ptr<State> &state, quint64 sequence)
{
    const auto found = state->inFlight.find(sequence);
    if (found == state->inFlight.end() || !found->second.isOpening)
        return;
    found->second.isOpening = false;
    --state->opening;
    state->openingAutoIp -= found->second.isAutoIp ? 1 : 0;
    startWaiting(state);
}

void ProbeQueue::startWaiting(const std::shared_ptr<State> &state)
{
    while (state->opening < state->limit &&
           static_cast<int>(state->inFlight.size()) < state->openLimit) {
        const bool autoIp = state->waiting.empty();
        std::deque<Request> &lane = autoIp ? state->autoIpWaiting : state->waiting;
        if (lane.empty() || (autoIp && state->openingAutoIp >= state->limit / 2))
            return;
        Request request = std::move(lane.front());
        lane.pop_front();
        const quint64 sequence = ++state->sent;
        std::weak_ptr<State> weakState = state;
        std::unique_ptr<OneShotTimer> opening = state->makeTimer();
        QObject::connect(opening.get(), &OneShotTimer::timeout, [weakState, sequence] {
            if (const auto alive = weakState.lock())
                stopOpening(alive, sequence);
        });
        opening->start(kOpeningMs);
        ++state->opening;
        state->openingAutoIp += autoIp ? 1 : 0;
        const HttpClient::RequestId id =
            state->client->get(request.url, request.timeout,
                               [weakState, sequence, completion = std::move(request.completion)](
                                   std::optional<int> status) {
                                   if (const auto alive = weakState.lock())
                                       settle(alive, sequence);
                                   completion(status);
                                   // The completion may have dropped the queue; start the next only
                                   // if it lives.
                                   if (const auto alive = weakState.lock())
                                       startWaiting(alive);
                               });
        state->inFlight.emplace(sequence, InFlight{id, std::move(opening), true, autoIp});
        state->mostOpening = std::max(state->mostOpening, state->opening);
        state->mostOut = std::max(state->mostOut, static_cast<int>(state->inFlight.size()));
    }
}

int probeOpenLimit(int wanted, int minimum)
{
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0)
        return minimum;
    const rlim_t target = std::min<rlim_t>(rlim_t(wanted + kOtherFiles), files.rlim_max);
    if (files.rlim_cur < target) {
        rlimit raised = files;
        raised.rlim_cur = target;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
            files = raised;
    }
    return std::max(minimum, int(std::min<rlim_t>(files.rlim_cur, rlim_t(wanted + kOtherFiles))) -
                                 kOtherFiles);
}
