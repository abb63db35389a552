#pragma once

#include "platform/DnsSd.h"
#include "platform/QtOneShotTimer.h"
#include "platform/widearea/DnsAnswer.h"

#include <QHostAddress>
#include <QSet>

#include <functional>
#include <optional>

// Wide-area DNS-SD (RFC 6763) over the system's unicast resolver: libresolv's res_nquery with
// the resolver configuration of /etc/resolv.conf, run on a pool of kMaxQueriesInFlight threads
// so that a slow or silent server never blocks the main thread. libresolv retries a truncated
// UDP answer over TCP; answers up to 64 KB are read.
inline constexpr int kMaxQueriesInFlight = 8;

// Asks for `type` records of the absolute `name` (presentation form). `done` runs on the main
// thread with what came back (nothing on any failure), unless `receiver` is gone by then.
void askUnicastDns(const QByteArray &name, int type, QObject *receiver,
                   std::function<void(const std::vector<DnsAnswerRecord> &)> done);

// Where the default browse domains are asked for (RFC 6763 §11): "db" and "lb"
// "._dns-sd._udp." under each resolver search domain, and "lb" under the reverse-mapping name of
// each interface's network (host part zeroed). Link-local networks are left out.
QList<QByteArray> browseDomainQueries(const QList<QByteArray> &searchDomains,
                                      const QList<QPair<QHostAddress, int>> &networks);
// The search list of resolv.conf text: the last "search" or "domain" line wins; absolute names.
QList<QByteArray> resolverSearchDomains(const QByteArray &resolvConf);

// Asks the browseDomainQueries of this machine (/etc/resolv.conf, the interfaces that are up).
// `found` runs for each domain an answer names (absolute) with the name that was asked; `done`
// once every question is answered. Both on the main thread, unless `receiver` is gone.
void askBrowseDomains(QObject *receiver,
                      std::function<void(const QByteArray &domain, const QByteArray &asked)> found,
                      std::function<void()> done);

// One instance found in a unicast domain. Resolution asks SRV, then A and AAAA of its target;
// monitoring asks TXT and asks again when the record's TTL runs out.
class UnicastService : public DnsSdService
{
    Q_OBJECT
public:
    UnicastService(const QByteArray &instance, const QString &type, const QString &domain);

    QString name() const override { return firstLabelText(m_instance); }
    QString type() const override { return m_type; }
    QString domain() const override { return m_domain; }
    void resolve(double timeoutSeconds) override;
    void startMonitoring() override;
    QList<QByteArray> addresses() const override { return m_addresses; }
    QString hostName() const override { return m_hostName; }
    quint16 port() const override { return m_port; }

private:
    void askAddresses(const QByteArray &host);
    void askTxt();

    QByteArray m_instance;
    QString m_type;
    QString m_domain;
    QString m_hostName;
    quint16 m_port = 0;
    QList<QByteArray> m_addresses;
    int m_addressAnswers = 0;
    bool m_resolved = false;
    bool m_monitoring = false;
    std::optional<QByteArray> m_txt; // the record last reported
    QtOneShotTimer m_resolveTimer;
    QtOneShotTimer m_txtTimer;
};

// Browses one type in unicast domains: a named domain, or with "" the default browse domains
// that the resolver's search domains and the interfaces' reverse zones name ("local." excepted:
// that is multicast's). A new search ends the previous one, as do stop() and destruction.
class UnicastBrowser : public DnsSdBrowser
{
    Q_OBJECT
public:
    using DnsSdBrowser::DnsSdBrowser;

    void searchForServicesOfType(const QString &type, const QString &domain) override;
    void stop() override;

private:
    void browseDomain(const QByteArray &domain);

    QObject *m_search = nullptr; // receiver of the running search's answers
    QString m_type;
    QSet<QByteArray> m_domains;
};
