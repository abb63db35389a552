#pragma once

#include "platform/HttpClient.h"

#include <QList>
#include <QUrl>

#include <chrono>
#include <optional>

// An HttpClient that only records requests; the test finishes them with finish(). An aborted
// request counts as finished and its completion never runs.
class FakeHttpClient : public HttpClient
{
public:
    struct Request {
        QUrl url;
        std::chrono::milliseconds timeout;
        Completion completion;
        bool finished = false;
        bool aborted = false;
    };

    RequestId get(const QUrl &url, std::chrono::milliseconds timeout,
                  Completion completion) override
    {
        requests.append({url, timeout, std::move(completion)});
        return static_cast<RequestId>(requests.size() - 1);
    }

    void abort(RequestId id) override
    {
        Request &request = requests[static_cast<qsizetype>(id)];
        if (!request.finished)
            request.aborted = request.finished = true;
    }

    // Runs the completion of request `index` (at most once per request).
    void finish(qsizetype index, std::optional<int> statusCode)
    {
        Request &request = requests[index];
        if (request.finished)
            return;
        request.finished = true;
        const Completion completion = request.completion;
        completion(statusCode);
    }

    QList<Request> requests;
};
