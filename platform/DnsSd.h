#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// One DNS-SD service instance reported by a DnsSdBrowser.
//
// Signals are delivered on the thread that owns the object (the main thread) and never from
// inside the call that caused them. Destroying the object ends its resolution and its TXT
// monitoring: no signal fires afterwards.
class DnsSdService : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QString name() const = 0;   // instance name as announced, e.g. "Camera 1"
    virtual QString type() const = 0;   // service type, e.g. "_http._tcp"
    virtual QString domain() const = 0; // e.g. "local."

    // Resolves the SRV target and *all* its addresses. Emits resolved() once they are known, or
    // resolveFailed() when they are not known after timeoutSeconds.
    virtual void resolve(double timeoutSeconds) = 0;

    // Emits txtRecordChanged() with the current TXT record soon after the call, and again each
    // time the record really changes, until the object is destroyed.
    virtual void startMonitoring() = 0;

    // The resolved socket addresses, each element one `sockaddr_in` or `sockaddr_in6` (link-local
    // IPv6 carries its interface's scope id). Empty before resolution.
    virtual QList<QByteArray> addresses() const = 0;
    virtual QString hostName() const = 0; // SRV target; empty before resolution
    virtual quint16 port() const = 0;     // SRV port; 0 before resolution

Q_SIGNALS:
    void resolved();
    void resolveFailed();
    void txtRecordChanged(const QByteArray &txtRecord);
};

// What the sockets under a browser could set up on this machine, so that a caller can tell the
// user why nothing is found.
struct DnsSdSocketReport {
    struct Interface {
        QString name; // e.g. "eth0"
        QList<QHostAddress> addresses;
        bool ipv4 = false; // joined 224.0.0.251 here
        bool ipv6 = false; // joined ff02::fb here
        bool operator==(const Interface &) const = default;
    };
    bool ipv4Bound = false;  // a socket on UDP port 5353 for IPv4
    bool ipv6Bound = false;  // and for IPv6
    bool portShared = false; // another mDNS stack listens on port 5353 too
    QList<Interface> interfaces;
    QStringList problems; // what failed, e.g. "IPv4 socket on port 5353: Address already in use"
    bool operator==(const DnsSdSocketReport &) const = default;
};

// Browses for the instances of one service type. Signals as for DnsSdService; after stop()
// nothing more is reported.
class DnsSdBrowser : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // `domain` "" means the default browse domains: "local." and, for browsers that reach
    // unicast DNS, the wide-area domains the network advertises (RFC 6763 §11).
    virtual void searchForServicesOfType(const QString &type, const QString &domain) = 0;
    virtual void stop() = 0;

    // The state of the sockets under this browser (socketReportChanged() tells of changes while
    // a search runs); nothing for a browser without sockets of its own.
    virtual std::optional<DnsSdSocketReport> socketReport() const { return std::nullopt; }

Q_SIGNALS:
    void socketReportChanged();
    // The receiver shares ownership of `service`; when the last owner lets go, the service stops.
    void serviceFound(std::shared_ptr<DnsSdService> service, bool moreComing);
};

using DnsSdBrowserFactory = std::function<std::unique_ptr<DnsSdBrowser>()>;

// A browser of the process's embedded multicast DNS querier (no daemon needed).
std::unique_ptr<DnsSdBrowser> createMdnsBrowser();

// A browser of wide-area DNS-SD through the system's unicast resolver.
std::unique_ptr<DnsSdBrowser> createUnicastBrowser();

// The application's browser: "" browses "local." over multicast and the default wide-area
// domains over unicast DNS at once; "local." only the first, any other domain only the second.
// With `onlyDomain`, every search browses that domain, whatever domain it names.
std::unique_ptr<DnsSdBrowser> createDefaultBrowser(const QString &onlyDomain = QString());
