#pragma once

#include "platform/HttpClient.h"

#include <QObject>

#include <map>
#include <memory>

class HttpTransfer;
class TlsClientContext;

// HttpClient over our own HTTP/1.1 transfers (HttpTransfer): GET with Qt's default redirect
// policy (no less safe redirects followed), certificate validation against the system's roots
// and a transfer time-out. A request is complete as soon as the final response's head has
// arrived; its connection is closed before the completion runs, so the body is never read and
// a caller bounding its requests bounds the open connections too. Every TLS connection shares
// one context (TlsClientContext), which is what makes a probe cheap: Qt's own client builds a
// context per connection and copies the peer's certificates several times, together about
// half of an HTTPS probe. Lives on the main thread; completions run there.
//
// SSL_CERT_FILE and SSL_CERT_DIR (OpenSSL's variables, which Qt itself does not read) name a
// PEM bundle and a certificate directory to trust instead of the system's bundle and directory.
class NetworkHttpClient : public QObject, public HttpClient
{
    Q_OBJECT
public:
    explicit NetworkHttpClient(QObject *parent = nullptr);
    ~NetworkHttpClient() override;

    RequestId get(const QUrl &url, std::chrono::milliseconds timeout,
                  Completion completion) override;
    void abort(RequestId id) override;

private:
    std::unique_ptr<TlsClientContext> m_tls;
    std::map<RequestId, HttpTransfer *> m_transfers;
    RequestId m_lastId = 0;
};
