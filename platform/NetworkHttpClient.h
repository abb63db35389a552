#pragma once

#include "platform/HttpClient.h"

#include <QObject>
#include <QSslConfiguration>

#include <map>
#include <memory>
#include <optional>

class QNetworkAccessManager;

// HttpClient over one QNetworkAccessManager: GET with Qt's default redirect policy (no less safe
// redirects followed), default certificate validation and a transfer time-out. A request is
// complete as soon as the final response's headers have arrived; then its transfer is ended, so
// the body is never read and no connection stays open afterwards. Lives on the main thread;
// completions run there.
//
// When SSL_CERT_FILE names a PEM file (OpenSSL's variable for the CA file to trust instead of
// the default one; Qt itself does not read it), its certificates are the only ones trusted.
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
    struct Request;

    QNetworkAccessManager *m_manager;
    std::optional<QSslConfiguration> m_sslConfiguration;
    std::map<RequestId, std::shared_ptr<Request>> m_requests;
    RequestId m_lastId = 0;
};
