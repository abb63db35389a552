#pragma once

#include <QString>

struct ssl_ctx_st;
struct ssl_st;

// One OpenSSL client context for every TLS connection of the process: TLS 1.2 or later, the
// peer's certificate chain verified against the system's roots where the system's OpenSSL keeps
// them (its bundle file, read at construction, and its certificate directory, looked up on
// demand; SSL_CERT_FILE and SSL_CERT_DIR name others instead), and against the CAs the
// application put in Qt's default TLS configuration before the first connection. Sharing it
// saves what Qt spends per connection (a context of its own, copies of the peer's
// certificates): about half of an HTTPS probe.
class TlsClientContext
{
public:
    TlsClientContext();
    ~TlsClientContext();
    TlsClientContext(const TlsClientContext &) = delete;
    TlsClientContext &operator=(const TlsClientContext &) = delete;

    // A connection's state for `host` (a name or a numeric address without zone): the
    // certificate must be issued to it; a name is also sent as the server name (SNI). Null when
    // OpenSSL has no memory.
    ssl_st *newConnection(const QString &host) const;

private:
    ssl_ctx_st *m_context;
};
