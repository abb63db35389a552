#include "platform/NetworkHttpClient.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>

#include <memory>

namespace
{

bool isFollowedRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 305 || status == 307 ||
           status == 308;
}

// Ends a transfer, finished or not, and closes its connection. Deleting the reply does both
// (its destructor tells the HTTP thread to drop the request) and, unlike abort(), reports no
// error: abort() sets "operation canceled", and an error the HTTP thread has posted meanwhile (a
// 401's "authentication required" follows its headers) then reaches the reply as a second error,
// which Qt rejects with "this method must only be called once". Events still posted to a
// deleted reply are dropped. Deferred, as the reply may be inside one of its own signals.
void endTransfer(QNetworkReply *reply)
{
    if (reply)
        reply->deleteLater();
}

} // namespace

// One request from get() to its completion (or abort).
struct NetworkHttpClient::Request {
    QPointer<QNetworkReply> reply;
    Completion completion;
};

NetworkHttpClient::NetworkHttpClient(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    // Probes go to devices on the local network, which no proxy can reach (auto-IP and
    // link-local addresses least of all); asking the system's proxy configuration (libproxy)
    // also costs some 90 000 instructions a request, an eighth of a plain HTTP probe.
    m_manager->setProxy(QNetworkProxy::NoProxy);

    // OpenSSL's variable naming the CA file to trust instead of the default one; Qt does not
    // read it, so it is honoured here. Those certificates are then the only ones trusted: a
    // configuration with CAs of its own no longer looks up the system's roots on demand, and
    // adding the 288 system roots to the list costs some 0.9 billion instructions once and 3.4
    // million per TLS connection (each context inserts them all), a quarter more per HTTPS
    // probe. Qt's backend configuration cannot add a CA file to OpenSSL's verify store either
    // (it rejects VerifyCAFile).
    const QString caFile = qEnvironmentVariable("SSL_CERT_FILE");
    if (!caFile.isEmpty()) {
        const QList<QSslCertificate> certificates = QSslCertificate::fromPath(caFile, QSsl::Pem);
        if (!certificates.isEmpty()) {
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.setCaCertificates(certificates);
            m_sslConfiguration = configuration;
        }
    }
}

NetworkHttpClient::~NetworkHttpClient() = default;

HttpClient::RequestId NetworkHttpClient::get(const QUrl &url, std::chrono::milliseconds timeout,
                                             Completion completion)
{
    const RequestId id = ++m_lastId;
    auto request = std::make_shared<Request>();
    request->completion = std::move(completion);
    m_requests.emplace(id, request);

    // Completes the request once; an aborted or completed one is past this already.
    const auto finish = [this, id](std::optional<int> status) {
        const auto found = m_requests.find(id);
        if (found == m_requests.end())
            return;
        const std::shared_ptr<Request> done = found->second;
        m_requests.erase(found);
        // The transfer ends here: its body is never read, and a device that keeps sending
        // must not hold the connection (and so a place of the caller's bound) until the
        // time-out.
        endTransfer(done->reply);
        done->completion(status);
    };

    if (!url.isValid() || url.isRelative()) {
        QTimer::singleShot(0, this, [finish] { finish(std::nullopt); });
        return id;
    }

    QNetworkRequest networkRequest(url);
    networkRequest.setTransferTimeout(static_cast<int>(timeout.count()));
    if (m_sslConfiguration)
        networkRequest.setSslConfiguration(*m_sslConfiguration);
    // Each address is asked once: keeping its connection (and TLS context) cached for reuse
    // only costs memory (some 400 KB per address with TLS, measured at 300 devices).
    networkRequest.setAttribute(QNetworkRequest::ConnectionCacheExpiryTimeoutSecondsAttribute, 0);
    // A camera's administration page needs neither HTTP/2 nor cookies: no ALPN offer of "h2",
    // no cookie jar to search for or to fill with the answers of thousands of devices.
    networkRequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    networkRequest.setAttribute(QNetworkRequest::CookieLoadControlAttribute,
                                QNetworkRequest::Manual);
    networkRequest.setAttribute(QNetworkRequest::CookieSaveControlAttribute,
                                QNetworkRequest::Manual);
    QNetworkReply *reply = m_manager->get(networkRequest);
    request->reply = reply;

    connect(reply, &QNetworkReply::metaDataChanged, this, [reply, finish] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        // A redirect the manager follows brings another set of headers later.
        if (!status.isValid() || isFollowedRedirect(status.toInt()))
            return;
        finish(status.toInt());
    });
    connect(reply, &QNetworkReply::finished, this, [reply, finish] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        // A refused connection, a time-out or a certificate failure has no status; a redirect the
        // policy refused to follow ends here with its own status.
        finish(status.isValid() ? std::optional<int>(status.toInt()) : std::nullopt);
        reply->deleteLater();
    });
    return id;
}

void NetworkHttpClient::abort(RequestId id)
{
    const auto found = m_requests.find(id);
    if (found == m_requests.end())
        return;
    const QPointer<QNetworkReply> reply = found->second->reply;
    m_requests.erase(found);
    endTransfer(reply);
}

HttpClient &sharedHttpClient()
{
    static QPointer<NetworkHttpClient> client;
    if (!client) {
        QCoreApplication *application = QCoreApplication::instance();
        client = new NetworkHttpClient(application);
        // Gone before the application object starts to go: Qt's HTTP thread closes the sockets
        // still open and needs the application for that.
        if (application) {
            QObject::connect(application, &QCoreApplication::aboutToQuit, application,
                             [] { delete client.data(); });
        }
    }
    return *client;
}
