#include "NetworkHttpClient.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
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
    QNetworkReply *reply = manager->get(request);

    // Whichever of "headers arrived" and "finished" comes first completes the request, once.
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
        reply->abort();
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
    // Owned by the application object so that it goes away while Qt is still up.
    static QPointer<NetworkHttpClient> client;
    if (!client)
        client = new NetworkHttpClient(QCoreApplication::instance());
    return *client;
}
