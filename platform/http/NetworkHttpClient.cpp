#include "platform/http/NetworkHttpClient.h"

#include "platform/Clock.h"
#include "platform/http/HttpTransfer.h"
#include "platform/http/TlsClientContext.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <map>

// The transfers in flight, by request id: created, cancelled and deleted only on the client's
// thread (they are this object's children, so they go with it when the thread finishes).
class NetworkHttpClient::Transfers : public QObject
{
public:
    Transfers(NetworkHttpClient &client, const TlsClientContext &tls)
        : m_client(client)
        , m_tls(tls)
    {
    }

    void start(RequestId id, const QUrl &url, std::chrono::milliseconds timeout)
    {
        auto *transfer = new HttpTransfer(
            m_tls, timeout,
            [this, id](std::optional<int> status) {
                const auto found = m_transfers.find(id);
                found->second->deleteLater();
                m_transfers.erase(found);
                // The client outlives this thread: its destructor joins it first.
                NetworkHttpClient *client = &m_client;
                QMetaObject::invokeMethod(
                    client, [client, id, status] { client->complete(id, status); },
                    Qt::QueuedConnection);
            },
            nullptr, this);
        m_transfers.emplace(id, transfer);
        transfer->start(url);
    }

    void cancel(RequestId id)
    {
        const auto found = m_transfers.find(id);
        if (found == m_transfers.end())
            return; // completed meanwhile; the client drops its completion
        found->second->cancel();
        found->second->deleteLater();
        m_transfers.erase(found);
    }

private:
    NetworkHttpClient &m_client;
    const TlsClientContext &m_tls;
    std::map<RequestId, HttpTransfer *> m_transfers;
};

NetworkHttpClient::NetworkHttpClient(QObject *parent)
    : QObject(parent)
    , m_tls(std::make_unique<TlsClientContext>())
    , m_thread(new QThread(this))
    , m_transfers(new Transfers(*this, *m_tls))
{
    m_thread->setObjectName(QStringLiteral("http"));
    m_transfers->moveToThread(m_thread);
    // Deleted as the thread ends, in the thread, directly: a deferred deletion would never be
    // delivered when the client goes with the application object (no events are delivered then).
    connect(
        m_thread, &QThread::finished, m_thread, [transfers = m_transfers] { delete transfers; },
        Qt::DirectConnection);
    m_thread->start();
}

NetworkHttpClient::~NetworkHttpClient()
{
    // The transfers, children of m_transfers, close their connections as they are deleted on
    // their thread, which then ends; no completion runs.
    m_thread->quit();
    m_thread->wait();
}

HttpClient::RequestId NetworkHttpClient::get(const QUrl &url, std::chrono::milliseconds timeout,
                                             Completion completion)
{
    const RequestId id = ++m_lastId;
    m_live.emplace(id, std::move(completion));
    Transfers *transfers = m_transfers;
    QMetaObject::invokeMethod(
        transfers, [transfers, id, url, timeout] { transfers->start(id, url, timeout); },
        Qt::QueuedConnection);
    return id;
}

void NetworkHttpClient::abort(RequestId id)
{
    if (m_live.erase(id) == 0)
        return;
    Transfers *transfers = m_transfers;
    QMetaObject::invokeMethod(
        transfers, [transfers, id] { transfers->cancel(id); }, Qt::QueuedConnection);
}

void NetworkHttpClient::complete(RequestId id, std::optional<int> status)
{
    const auto found = m_live.find(id);
    if (found == m_live.end())
        return; // aborted after the transfer had ended
    const Completion completion = std::move(found->second);
    m_live.erase(found);
    completion(status);
}

HttpClient &sharedHttpClient()
{
    static QPointer<NetworkHttpClient> client;
    if (!client) {
        QCoreApplication *application = QCoreApplication::instance();
        client = new NetworkHttpClient(application);
        // Gone before the application object starts to go, with every connection closed and its
        // thread ended.
        if (application) {
            QObject::connect(application, &QCoreApplication::aboutToQuit, application,
                             [] { delete client.data(); });
        }
    }
    return *client;
}
