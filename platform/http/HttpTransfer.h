#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class OneShotTimer;
class QTcpSocket;
class TlsClientContext;
struct ssl_st;

// One GET from the first request to the final response's status: HTTP/1.1 over a QTcpSocket,
// with TLS from a shared TlsClientContext for https URLs. Redirects (301, 302, 303, 305, 307,
// 308 with a Location) are followed as Qt's default policy does: at most 50, never from https
// to http; a redirect not followed ends the transfer with its own status. Each connection is
// closed as soon as its response's head has arrived (the body is never read), so when `done`
// runs, no connection of the transfer is open. `done` runs once, never from inside start(), with
// nothing for a transport failure (refused, unreachable, TLS handshake or certificate failure, a
// response that is not HTTP) and when `timeout` has passed since start(): the whole transfer,
// redirects and interim heads included, ends by then whatever the peer sends. Never after
// cancel().
class HttpTransfer : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(std::optional<int> statusCode)>;

    // `deadline` measures `timeout` (null: a QtOneShotTimer).
    HttpTransfer(const TlsClientContext &tls, std::chrono::milliseconds timeout, Done done,
                 std::unique_ptr<OneShotTimer> deadline = nullptr, QObject *parent = nullptr);
    ~HttpTransfer() override;

    void start(const QUrl &url);
    // Closes the connection at once; `done` never runs.
    void cancel();

private:
    void follow(const QUrl &url);
    void connectTo(const QUrl &url);
    void onConnected();
    void onReadyRead();
    void pumpTls();
    void flushTls();
    void readHead();
    void finish(std::optional<int> status);
    void closeConnection();

    const TlsClientContext &m_tls;
    std::chrono::milliseconds m_timeout;
    Done m_done;
    std::unique_ptr<OneShotTimer> m_deadline;
    QUrl m_url;
    int m_redirects = 0;
    QTcpSocket *m_socket = nullptr;
    ssl_st *m_ssl = nullptr;
    bool m_handshakeDone = false;
    QByteArray m_received;
};
