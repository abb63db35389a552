#include "platform/NetworkHttpClient.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
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

} // namespace

NetworkHttpClient::NetworkHttpClient(QObject *parent)
    : QObject(parent)
    , manager(new QNetworkAccessManager(this))
{
    // OpenSSL's own variable for an extra trust store; Qt looks only at the system's
    // directories, so it is honoured here. Certificates are added, never removed.
    const QString extraCaFile = qEnvironmentVariable("SSL_CERT_FILE");
    if (!extraCaFile.isEmpty()) {
        const QList<QSslCertificate> certificates =
            QSslCertificate::fromPath(extraCaFile, QSsl::Pem);
        if (!certificates.isEmpty()) {
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.addCaCertificates(certificates);
            sslConfiguration = configuration;
        }
    }
}

NetworkHttpClient::~NetworkHttpClient() = default;

void NetworkHttpClient::get(const QUrl &url, std::chrono::milliseconds timeout,
                            Completion completion)
{
    if (!url.isValid() || url.isRelative()) {
        QTimer::singleShot(0, this, [completion = std::move(completion)] { completion({}); });
        return;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    if (sslConfiguration)
        request.setSslConfiguration(*sslConfiguration);
    // Each address is asked once: keeping its connection (and TLS context) cached for reuse
    // only costs memory (some 400 KB per address with TLS, measured at 300 devices).
    request.setAttribute(QNetworkRequest::ConnectionCacheExpiryTimeoutSecondsAttribute, 0);
    QNetworkReply *reply = manager->get(request);
    // The body is never read. A small buffer keeps an endless one from filling memory: the
    // transfer then stalls and ends at the time-out.
    reply->setReadBufferSize(16 * 1024);

    // The final response's headers complete the request; the reply itself runs to its end in
    // the background (aborting it here makes Qt's HTTP thread report a second error).
    auto done = std::make_shared<bool>(false);
    const auto finish = [done, completion](std::optional<int> status) {
        if (*done)
            return;
        *done = true;
        completion(status);
    };

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
