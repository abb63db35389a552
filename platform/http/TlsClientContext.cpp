#include "platform/http/TlsClientContext.h"

#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>

#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

TlsClientContext::TlsClientContext()
    : m_context(SSL_CTX_new(TLS_client_method()))
{
    if (!m_context)
        return;
    SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION);
    SSL_CTX_set_verify(m_context, SSL_VERIFY_PEER, nullptr);
    // The system's roots wherever its OpenSSL was told they live: the bundle file (read now; the
    // only store on some distributions) and the hashed directory (looked up on demand), or the
    // file and directory SSL_CERT_FILE and SSL_CERT_DIR name instead.
    SSL_CTX_set_default_verify_paths(m_context);
    X509_STORE *store = SSL_CTX_get_cert_store(m_context);
    // CAs the application gave Qt's default configuration (empty unless it did: Qt, too, looks
    // up the system's roots on demand).
    const QList<QSslCertificate> extra = QSslConfiguration::defaultConfiguration().caCertificates();
    for (const QSslCertificate &certificate : extra) {
        const QByteArray der = certificate.toDer();
        const auto *bytes = reinterpret_cast<const unsigned char *>(der.constData());
        if (X509 *decoded = d2i_X509(nullptr, &bytes, long(der.size()))) {
            X509_STORE_add_cert(store, decoded);
            X509_free(decoded);
        }
    }
}

TlsClientContext::~TlsClientContext()
{
    SSL_CTX_free(m_context);
}

ssl_st *TlsClientContext::newConnection(const QString &host) const
{
    SSL *connection = m_context ? SSL_new(m_context) : nullptr;
    if (!connection)
        return nullptr;
    const QByteArray name = host.toUtf8();
    const bool numeric = !QHostAddress(host).isNull();
    // SSL_set_tlsext_host_name() spelled out: the macro casts in the old style.
    const bool checked =
        numeric ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(connection), name.constData()) == 1
                : SSL_set1_host(connection, name.constData()) == 1 &&
                      SSL_ctrl(connection, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                               const_cast<char *>(name.constData())) == 1;
    if (!checked) {
        SSL_free(connection);
        return nullptr;
    }
    SSL_set_connect_state(connection);
    return connection;
}
