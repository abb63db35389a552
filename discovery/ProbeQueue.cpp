#include "discovery/ProbeQueue.h"

#include <algorithm>

ProbeQueue::ProbeQueue(HttpClient &client, int limit)
    : m_state(std::make_shared<State>(State{&client, std::max(limit, 1), {}, 0, {}}))
{
}

ProbeQueue::~ProbeQueue() = default;

void ProbeQueue::enqueue(const QUrl &url, std::chrono::milliseconds timeout,
                         HttpClient::Completion completion)
{
    m_state->waiting.push_back({url, timeout, std::move(completion)});
    startWaiting(m_state);
}

void ProbeQueue::abandonAll()
{
    m_state->waiting.clear();
    const auto inFlight = std::exchange(m_state->inFlight, {});
    for (const auto &[sequence, id] : inFlight)
        m_state->client->abort(id);
}

void ProbeQueue::startWaiting(const std::shared_ptr<State> &state)
{
    while (static_cast<int>(state->inFlight.size()) < state->limit && !state->waiting.empty()) {
        Request request = std::move(state->waiting.front());
        state->waiting.pop_front();
        const quint64 sequence = ++state->sent;
        std::weak_ptr<State> weakState = state;
        const HttpClient::RequestId id =
            state->client->get(request.url, request.timeout,
                               [weakState, sequence, completion = std::move(request.completion)](
                                   std::optional<int> status) {
                                   if (const auto alive = weakState.lock())
                                       alive->inFlight.erase(sequence);
                                   completion(status);
                                   // The completion may have dropped the queue; start the next only
                                   // if it lives.
                                   if (const auto alive = weakState.lock())
                                       startWaiting(alive);
                               });
        state->inFlight.emplace(sequence, id);
    }
}
