#pragma once

#include "platform/Clock.h"
#include "platform/DnsSd.h"
#include "platform/widearea/UnicastResolver.h"

#include <QHostAddress>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

// Wide-area DNS-SD (RFC 6763) over a unicast resolver (systemResolver(): the system's, with the
// resolver configuration of /etc/resolv.conf).

// Makes the timers of the services (null: QtOneShotTimers).
using TimerFactory = std::function<std::unique_ptr<OneShotTimer>()>;

// Where the default browse domains are asked for (RFC 6763 §11): "db" and "lb"
// "._dns-sd._udp." under each resolver search domain, and "lb" under the reverse-mapping name of
// each interface's network (host part zeroed). Link-local networks are left out.
QList<QByteArray> browseDomainQueries(const QList<QByteArray> &searchDomains,
                                      const QList<QPair<QHostAddress, int>> &networks);
// The search list of resolv.conf text: the last "search" or "domain" line wins; absolute names.
QList<QByteArray> resolverSearchDomains(const QByteArray &resolvConf);
// Whether /etc/resolv.conf names a DNS server ("nameserver" line) for wide-area browsing to ask.
bool resolverNamesAServer();

// Asks the browseDomainQueries of this machine (/etc/resolv.conf, the interfaces that are up).
// `found` runs for each domain an answer names (absolute) with the name that was asked; `done`
// once every question is answered. Both on the main thread, unless `receiver` is gone.
void askBrowseDomains(QObject *receiver,
                      std::function<void(const QByteArray &domain, const QByteArray &asked)> found,
                      std::function<void()> done, UnicastResolver &resolver = systemResolver());

// One instance found in a unicast domain. Resolution asks SRV, then A and AAAA of its target;
// each call of resolve() starts afresh and only its own answers count. Monitoring asks TXT and
// asks again when the record's TTL runs out; a failed or empty answer is asked again after 1 s,
// 2 s, 4 s ... up to the TTL of the record last seen (at most an hour). Every question stops
// with the object.
class UnicastService : public DnsSdService
{
    Q_OBJECT
public:
    UnicastService(const QByteArray &instance, const QString &type, const QString &domain,
                   UnicastResolver &resolver = systemResolver(),
                   const TimerFactory &makeTimer = nullptr);
    ~UnicastService() override;

    QString name() const override { return firstLabelText(m_instance); }
    QString type() const override { return m_type; }
    QString domain() const override { return m_domain; }
    void resolve(double timeoutSeconds) override;
    void startMonitoring() override;
    QList<QByteArray> addresses() const override { return m_addresses; }
    QString hostName() const override { return m_hostName; }
    quint16 port() const override { return m_port; }

private:
    void askAddresses(const QByteArray &host, int round);
    void askTxt();

    UnicastResolver &m_resolver;
    QByteArray m_instance;
    QString m_type;
    QString m_domain;
    QString m_hostName;
    quint16 m_port = 0;
    QList<QByteArray> m_addresses;
    int m_round = 0; // of resolve()
    bool m_resolved = false;
    bool m_monitoring = false;
    std::optional<QByteArray> m_txt; // the record last reported
    qint64 m_txtRetryMs = 0;         // 0: the last answer had a record
    qint64 m_txtTtlMs;               // of the record last seen
    std::unique_ptr<OneShotTimer> m_resolveTimer;
    std::unique_ptr<OneShotTimer> m_txtTimer;
};

// Browses one type in unicast domains: a named domain, or with "" the default browse domains
// that the resolver's search domains and the interfaces' reverse zones name ("local." excepted:
// that is multicast's). A new search ends the previous one, as do stop() and destruction; the
// questions of an ended search that are not sent yet never are.
class UnicastBrowser : public DnsSdBrowser
{
    Q_OBJECT
public:
    explicit UnicastBrowser(UnicastResolver &resolver = systemResolver(),
                            TimerFactory makeTimer = nullptr);

    void searchForServicesOfType(const QString &type, const QString &domain) override;
    void stop() override;

private:
    void browseDomain(const QByteArray &domain);

    UnicastResolver &m_resolver;
    TimerFactory m_makeTimer;
    QObject *m_search = nullptr; // receiver of the running search's answers
    QString m_type;
    QSet<QByteArray> m_domains;
};
