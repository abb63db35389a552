#include "platform/http/HttpTransfer.h"

#include "platform/QtOneShotTimer.h"
#include "platform/http/HttpResponseHead.h"
#include "platform/http/TlsClientContext.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include <openssl/bio.h>
#include <openssl/ssl.h>

namespace
{

constexpr int kMaxRedirects = 50;         // QNetworkRequest's default
constexpr qsizetype kMaxHead = 64 * 1024; // a longer head is no device's answer

bool isFollowedRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 305 || status == 307 ||
           status == 308;
}

// The host as the connection and the certificate know it: no brackets, no IPv6 zone.
QString bareHost(const QUrl &url)
{
    return url.host(QUrl::FullyEncoded).section(QLatin1Char('%'), 0, 0);
}

QByteArray requestFor(const QUrl &url)
{
    QByteArray target =
        url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (target.isEmpty())
        target = "/";
    QByteArray host = bareHost(url).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    const int defaultPort = url.scheme() == QLatin1String("https") ? 443 : 80;
    if (url.port(defaultPort) != defaultPort)
        host += ':' + QByteArray::number(url.port());
    return "GET " + target + " HTTP/1.1\r\nHost: " + host +
           "\r\nAccept: */*\r\nUser-Agent: Mozilla/5.0\r\nConnection: close\r\n\r\n";
}

} // namespace

HttpTransfer::HttpTransfer(const TlsClientContext &tls, std::chrono::milliseconds timeout,
                           Done done, std::unique_ptr<OneShotTimer> deadline, QObject *parent)
    : QObject(parent)
    , m_tls(tls)
    , m_timeout(timeout)
    , m_done(std::move(done))
    , m_deadline(deadline ? std::move(deadline) : std::make_unique<QtOneShotTimer>())
{
    connect(m_deadline.get(), &OneShotTimer::timeout, this, [this] { finish(std::nullopt); });
}

HttpTransfer::~HttpTransfer()
{
    closeConnection();
}

void HttpTransfer::start(const QUrl &url)
{
    // Armed once: no byte from the peer moves it, so neither endless interim heads nor a head
    // dripped a byte at a time keep the transfer open.
    m_deadline->start(m_timeout.count());
    follow(url);
}

void HttpTransfer::follow(const QUrl &url)
{
    // Connecting can fail inside connectToHost(); the failure must not end the transfer here.
    QMetaObject::invokeMethod(
        this, [this, url] { connectTo(url); }, Qt::QueuedConnection);
}

void HttpTransfer::cancel()
{
    m_done = nullptr;
    m_deadline->stop();
    closeConnection();
}

void HttpTransfer::connectTo(const QUrl &url)
{
    if (!m_done)
        return; // cancelled before it began
    closeConnection();
    m_url = url;
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        finish(std::nullopt);
        return;
    }
    m_socket = new QTcpSocket(this);
    // Devices on the local network are beyond any proxy (auto-IP and link-local addresses least
    // of all), and asking the system's proxy settings (libproxy) costs an eighth of a probe.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    connect(m_socket, &QTcpSocket::connected, this, &HttpTransfer::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpTransfer::onReadyRead);
    // A connection that fails or ends before a complete head is a transport failure.
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { finish(std::nullopt); });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] { finish(std::nullopt); });
    // The host keeps its zone here: a link-local address needs it to leave on the right link.
    m_socket->connectToHost(url.host(),
                            quint16(url.port(scheme == QLatin1String("https") ? 443 : 80)));
}

void HttpTransfer::onConnected()
{
    if (m_url.scheme() != QLatin1String("https")) {
        m_socket->write(requestFor(m_url));
        return;
    }
    m_ssl = m_tls.newConnection(bareHost(m_url));
    if (!m_ssl) {
        finish(std::nullopt);
        return;
    }
    SSL_set_bio(m_ssl, BIO_new(BIO_s_mem()), BIO_new(BIO_s_mem()));
    pumpTls();
}

void HttpTransfer::onReadyRead()
{
    const QByteArray bytes = m_socket->readAll();
    if (!m_ssl) {
        m_received += bytes;
        readHead();
        return;
    }
    BIO_write(SSL_get_rbio(m_ssl), bytes.constData(), int(bytes.size()));
    pumpTls();
}

// Advances the handshake, sends the request once it is done and decrypts what has come.
void HttpTransfer::pumpTls()
{
    if (!m_handshakeDone) {
        const int result = SSL_do_handshake(m_ssl);
        if (result != 1) {
            flushTls();
            if (SSL_get_error(m_ssl, result) != SSL_ERROR_WANT_READ)
                finish(std::nullopt); // refused or unverifiable certificate, or not TLS
            return;
        }
        m_handshakeDone = true;
        const QByteArray request = requestFor(m_url);
        SSL_write(m_ssl, request.constData(), int(request.size()));
    }
    char buffer[16384];
    int read = 0;
    while ((read = SSL_read(m_ssl, buffer, int(sizeof buffer))) > 0)
        m_received.append(buffer, read);
    flushTls();
    readHead();
}

void HttpTransfer::flushTls()
{
    BIO *out = SSL_get_wbio(m_ssl);
    char buffer[16384];
    int read = 0;
    while ((read = BIO_read(out, buffer, int(sizeof buffer))) > 0)
        m_socket->write(buffer, read);
}

void HttpTransfer::readHead()
{
    HttpResponseHead head = parseResponseHead(m_received);
    // Interim answers (100 Continue, 103 Early Hints) precede the response.
    while (head.state == HttpResponseHead::State::complete && head.statusCode < 200) {
        m_received.remove(0, head.size);
        head = parseResponseHead(m_received);
    }
    if (head.state == HttpResponseHead::State::incomplete) {
        if (m_received.size() > kMaxHead)
            finish(std::nullopt);
        return;
    }
    if (head.state == HttpResponseHead::State::invalid) {
        finish(std::nullopt);
        return;
    }
    if (isFollowedRedirect(head.statusCode) && !head.location.isEmpty()) {
        const QUrl target = m_url.resolved(QUrl::fromEncoded(head.location));
        const bool lessSafe =
            m_url.scheme() == QLatin1String("https") && target.scheme() != QLatin1String("https");
        if (!lessSafe && m_redirects < kMaxRedirects) {
            ++m_redirects;
            follow(target);
            closeConnection();
            return;
        }
    }
    finish(head.statusCode);
}

void HttpTransfer::finish(std::optional<int> status)
{
    m_deadline->stop();
    closeConnection();
    if (Done done = std::exchange(m_done, nullptr))
        done(status);
}

void HttpTransfer::closeConnection()
{
    if (m_ssl) {
        SSL_free(m_ssl);
        m_ssl = nullptr;
    }
    m_handshakeDone = false;
    m_received.clear();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
}
