#include "discovery/ProbeQueue.h"

#include <algorithm>

ProbeQueue::ProbeQueue(HttpClient &client, int limit)
    : state(std::make_shared<State>(State{&client, std::max(limit, 1), 0, {}}))
{
}

ProbeQueue::~ProbeQueue() = default;

void ProbeQueue::enqueue(const QUrl &url, std::chrono::milliseconds timeout,
                         HttpClient::Completion completion)
{
    state->waiting.push_back({url, timeout, std::move(completion)});
    startWaiting(state);
}

void ProbeQueue::clearPending()
{
    state->waiting.clear();
}

int ProbeQueue::inFlight() const
{
    return state->inFlight;
}

qsizetype ProbeQueue::pending() const
{
    return static_cast<qsizetype>(state->waiting.size());
}

void ProbeQueue::startWaiting(const std::shared_ptr<State> &state)
{
    while (state->inFlight < state->limit && !state->waiting.empty()) {
        Request request = std::move(state->waiting.front());
        state->waiting.pop_front();
        ++state->inFlight;
        std::weak_ptr<State> weakState = state;
        state->client->get(
            request.url, request.timeout,
            [weakState, completion = std::move(request.completion)](std::optional<int> status) {
                if (const auto alive = weakState.lock())
                    --alive->inFlight;
                completion(status);
                // The completion may have dropped the queue; start the next only if it lives.
                if (const auto alive = weakState.lock())
                    startWaiting(alive);
            });
    }
}
