#include "platform/http/NetworkHttpClient.h"

#include "platform/Clock.h"
#include "platform/http/HttpTransfer.h"
#include "platform/http/TlsClientContext.h"

#include <QCoreApplication>
#include <QPointer>

NetworkHttpClient::NetworkHttpClient(QObject *parent)
    : QObject(parent)
    , m_tls(std::make_unique<TlsClientContext>())
{
}

NetworkHttpClient::~NetworkHttpClient()
{
    // The transfers are children and close their connections as they go; their completions
    // never run.
    for (const auto &[id, transfer] : m_transfers)
        transfer->cancel();
}

HttpClient::RequestId NetworkHttpClient::get(const QUrl &url, std::chrono::milliseconds timeout,
                                             Completion completion)
{
    const RequestId id = ++m_lastId;
    auto *transfer = new HttpTransfer(
        *m_tls, timeout,
        [this, id, completion = std::move(completion)](std::optional<int> status) {
            const auto found = m_transfers.find(id);
            if (found == m_transfers.end())
                return;
            found->second->deleteLater();
            m_transfers.erase(found);
            completion(status);
        },
        nullptr, this);
    m_transfers.emplace(id, transfer);
    transfer->start(url);
    return id;
}

void NetworkHttpClient::abort(RequestId id)
{
    const auto found = m_transfers.find(id);
    if (found == m_transfers.end())
        return;
    found->second->cancel();
    found->second->deleteLater();
    m_transfers.erase(found);
}

HttpClient &sharedHttpClient()
{
    static QPointer<NetworkHttpClient> client;
    if (!client) {
        QCoreApplication *application = QCoreApplication::instance();
        client = new NetworkHttpClient(application);
        // Gone before the application object starts to go, with every connection closed.
        if (application) {
            QObject::connect(application, &QCoreApplication::aboutToQuit, application,
                             [] { delete client.data(); });
        }
    }
    return *client;
}
