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

    // Sends the request at once. `completion` runs exactly once, on the main thread, never from
    // inside this call.
    virtual void get(const QUrl &url, std::chrono::milliseconds timeout, Completion completion) = 0;
};

// The process-wide client over one QNetworkAccessManager (default redirect policy and
// certificate validation).
HttpClient &sharedHttpClient();
