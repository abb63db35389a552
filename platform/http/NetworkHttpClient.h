#pragma once

#include "platform/HttpClient.h"

#include <QObject>

#include <memory>
#include <unordered_map>

class QThread;
class TlsClientContext;

// HttpClient over our own HTTP/1.1 transfers (HttpTransfer): GET with Qt's default redirect
// policy (no less safe redirects followed), certificate validation against the system's roots
// and a transfer time-out. A request is complete as soon as the final response's head has
// arrived; its connection is closed before the completion runs, so the body is never read and
// a caller bounding its requests bounds the open connections too. Every TLS connection shares
// one context (TlsClientContext), which is what makes a probe cheap: Qt's own client builds a
// context per connection and copies the peer's certificates several times, together about
// half of an HTTPS probe.
//
// The transfers (their sockets, TLS and deadlines) run on a thread of the client's own: a TLS
// handshake costs about half a millisecond of CPU, so a thousand of them on the thread that
// paints the window and answers mDNS would block it for long stretches. The client object lives
// on the thread that created it; get() and abort() are called there and completions run there.
// The destructor stops the thread, having closed every connection, and runs no completion.
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
    class Transfers;

    void complete(RequestId id, std::optional<int> status);

    // Built before the thread starts and only read after.
    const std::unique_ptr<const TlsClientContext> m_tls;
    QThread *m_thread;
    Transfers *m_transfers; // lives on m_thread, deleted there as it ends
    // The requests whose completion is still to run: a completion the thread has already sent
    // for a request aborted since is dropped here.
    std::unordered_map<RequestId, Completion> m_live;
    RequestId m_lastId = 0;
};
