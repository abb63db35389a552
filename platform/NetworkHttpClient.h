#pragma once

#include "platform/HttpClient.h"

#include <QObject>
#include <QSslConfiguration>

#include <optional>

class QNetworkAccessManager;

// HttpClient over one QNetworkAccessManager: GET with Qt's default redirect policy (no less safe
// redirects followed), default certificate validation and a transfer time-out. A request is
// complete as soon as the final response's headers have arrived; the body is never read, and no
// connection is kept open afterwards. Lives on the main thread; completions run there.
//
// Certificates in the PEM file named by SSL_CERT_FILE (OpenSSL's variable for an extra trust
// store, which Qt itself does not read) are trusted in addition to the system's.
class NetworkHttpClient : public QObject, public HttpClient
{
    Q_OBJECT
public:
    explicit NetworkHttpClient(QObject *parent = nullptr);
    ~NetworkHttpClient() override;

    void get(const QUrl &url, std::chrono::milliseconds timeout, Completion completion) override;

private:
    QNetworkAccessManager *manager;
    std::optional<QSslConfiguration> sslConfiguration;
};
