#pragma once

#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

// Sends HTTP(S) GET requests. The response body is never read.
class HttpClient
{
public:
    virtual ~HttpClient() = default;

    // Status code of the final response, or nothing for a transport failure (refused,
    // unreachable, timed out, TLS handshake or certificate failure, ...).
    using Completion = std::function<void(std::optional<int> statusCode)>;

    using RequestId = quint64;

    // Sends the request at once. `completion` runs exactly once, on the main thread, never from
    // inside this call, unless abort() ends the request first.
    virtual RequestId get(const QUrl &url, std::chrono::milliseconds timeout,
                          Completion completion) = 0;
    // Ends request `id` and closes its connection, if it has not completed yet; its completion
    // never runs. An id that has completed is ignored.
    virtual void abort(RequestId id) = 0;
};

// The process-wide client (platform/http/NetworkHttpClient: Qt's default redirect policy,
// certificate validation, one TLS context for all connections).
HttpClient &sharedHttpClient();
