#include "platform/widearea/UnicastDnsSd.h"

#include "platform/QtOneShotTimer.h"

#include <QFile>
#include <QNetworkInterface>

#include <arpa/nameser.h>
#include <netinet/in.h>
#include <resolv.h>

#include <algorithm>
#include <cstring>

namespace
{

constexpr qint64 kMinTxtRefreshMs = 1000;
constexpr qint64 kMaxTxtRefreshMs = 3600 * 1000;
constexpr qsizetype kMaxResolvConfBytes = 64 * 1024;
constexpr int kMaxSearchDomains = 8;

QByteArray resolvConf()
{
    QFile file(QStringLiteral("/etc/resolv.conf"));
    return file.open(QIODevice::ReadOnly) ? file.read(kMaxResolvConfBytes) : QByteArray();
}

QByteArray socketAddress(const QByteArray &address)
{
    if (address.size() == 4) {
        sockaddr_in in{};
        in.sin_family = AF_INET;
        std::memcpy(&in.sin_addr, address.constData(), 4);
        return QByteArray(reinterpret_cast<const char *>(&in), sizeof in);
    }
    sockaddr_in6 in6{};
    in6.sin6_family = AF_INET6;
    std::memcpy(&in6.sin6_addr, address.constData(), 16);
    return QByteArray(reinterpret_cast<const char *>(&in6), sizeof in6);
}

QByteArray reverseNetworkName(const QHostAddress &address, int prefixLength)
{
    QByteArray name;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 network =
            prefixLength <= 0 ? 0 : address.toIPv4Address() & ~((1ULL << (32 - prefixLength)) - 1);
        for (int shift = 0; shift < 32; shift += 8)
            name += QByteArray::number((network >> shift) & 0xff) + '.';
        return name + "in-addr.arpa.";
    }
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    for (int nibble = std::clamp(prefixLength, 0, 128) / 4 - 1; nibble >= 0; --nibble) {
        const int value = nibble % 2 ? bytes[nibble / 2] & 0xf : bytes[nibble / 2] >> 4;
        name += QByteArray::number(value, 16) + '.';
    }
    return name + "ip6.arpa.";
}

} // namespace

QList<QByteArray> resolverSearchDomains(const QByteArray &resolvConf)
{
    QList<QByteArray> domains;
    for (const QByteArray &line : resolvConf.split('\n')) {
        QList<QByteArray> words = line.simplified().split(' ');
        if (words.first() != "search" && words.first() != "domain")
            continue;
        domains.clear();
        for (const QByteArray &word : words.mid(1, kMaxSearchDomains))
            domains.append(word.endsWith('.') ? word : word + '.');
    }
    return domains;
}

bool resolverNamesAServer()
{
    for (const QByteArray &line : resolvConf().split('\n')) {
        if (line.simplified().startsWith("nameserver "))
            return true;
    }
    return false;
}

QList<QByteArray> browseDomainQueries(const QList<QByteArray> &searchDomains,
                                      const QList<QPair<QHostAddress, int>> &networks)
{
    QList<QByteArray> names;
    for (const QByteArray &domain : searchDomains)
        names << "db._dns-sd._udp." + domain << "lb._dns-sd._udp." + domain;
    for (const auto &[address, prefixLength] : networks) {
        if (address.isLoopback() || address.isLinkLocal())
            continue;
        const QByteArray name = "lb._dns-sd._udp." + reverseNetworkName(address, prefixLength);
        if (!names.contains(name))
            names << name;
    }
    return names;
}

UnicastService::UnicastService(const QByteArray &instance, const QString &type,
                               const QString &domain, UnicastResolver &resolver,
                               const TimerFactory &makeTimer)
    : m_resolver(resolver)
    , m_instance(instance)
    , m_type(type)
    , m_domain(domain)
    , m_txtTtlMs(kMaxTxtRefreshMs)
    , m_resolveTimer(makeTimer ? makeTimer() : std::make_unique<QtOneShotTimer>())
    , m_txtTimer(makeTimer ? makeTimer() : std::make_unique<QtOneShotTimer>())
{
    connect(m_resolveTimer.get(), &OneShotTimer::timeout, this, [this] {
        if (!m_resolved)
            Q_EMIT resolveFailed();
    });
    connect(m_txtTimer.get(), &OneShotTimer::timeout, this, &UnicastService::askTxt);
}

UnicastService::~UnicastService() = default;

void UnicastService::resolve(double timeoutSeconds)
{
    const int round = ++m_round;
    m_resolved = false;
    m_resolveTimer->start(qint64(timeoutSeconds * 1000));
    m_resolver.ask(m_instance, ns_t_srv, this,
                   [this, round](const std::vector<DnsAnswerRecord> &srv) {
                       if (srv.empty() || round != m_round)
                           return;
                       m_hostName = QString::fromLatin1(srv.front().target) + QLatin1Char('.');
                       m_port = srv.front().port;
                       askAddresses(srv.front().target, round);
                   });
}

void UnicastService::askAddresses(const QByteArray &host, int round)
{
    // The A and AAAA answers of this round, gathered before they replace the addresses.
    auto found = std::make_shared<std::pair<int, QList<QByteArray>>>();
    for (const int type : {ns_t_a, ns_t_aaaa}) {
        m_resolver.ask(
            host, type, this, [this, round, found](const std::vector<DnsAnswerRecord> &records) {
                for (const DnsAnswerRecord &record : records)
                    found->second.append(socketAddress(record.data));
                if (++found->first < 2 || found->second.isEmpty() || round != m_round || m_resolved)
                    return;
                m_addresses = found->second;
                m_resolved = true;
                m_resolveTimer->stop();
                Q_EMIT resolved();
            });
    }
}

void UnicastService::startMonitoring()
{
    if (!m_monitoring) {
        m_monitoring = true;
        askTxt();
    }
}

void UnicastService::askTxt()
{
    m_resolver.ask(m_instance, ns_t_txt, this, [this](const std::vector<DnsAnswerRecord> &txt) {
        if (txt.empty()) {
            // A zone full of instances without TXT must not draw a question per instance and
            // second: each failure doubles the wait.
            m_txtRetryMs =
                m_txtRetryMs == 0 ? kMinTxtRefreshMs : std::min(m_txtRetryMs * 2, m_txtTtlMs);
            m_txtTimer->start(m_txtRetryMs);
            return;
        }
        // Asked again when the record's TTL runs out.
        m_txtRetryMs = 0;
        m_txtTtlMs = std::clamp(qint64(txt.front().ttl) * 1000, kMinTxtRefreshMs, kMaxTxtRefreshMs);
        m_txtTimer->start(m_txtTtlMs);
        if (m_txt == txt.front().data)
            return;
        m_txt = txt.front().data;
        Q_EMIT txtRecordChanged(*m_txt);
    });
}

void askBrowseDomains(QObject *receiver,
                      std::function<void(const QByteArray &domain, const QByteArray &asked)> found,
                      std::function<void()> done, UnicastResolver &resolver)
{
    const QByteArray conf = resolvConf();
    QList<QPair<QHostAddress, int>> networks;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        if (interface.flags().testFlag(QNetworkInterface::IsUp))
            for (const QNetworkAddressEntry &entry : interface.addressEntries())
                networks.append({entry.ip(), entry.prefixLength()});
    }
    const QList<QByteArray> names = browseDomainQueries(resolverSearchDomains(conf), networks);
    auto unanswered = std::make_shared<qsizetype>(names.size());
    if (names.isEmpty())
        QMetaObject::invokeMethod(receiver, done, Qt::QueuedConnection);
    for (const QByteArray &name : names) {
        resolver.ask(name, ns_t_ptr, receiver,
                     [found, done, name, unanswered](const std::vector<DnsAnswerRecord> &records) {
                         for (const DnsAnswerRecord &record : records)
                             found(record.target + '.', name);
                         if (--*unanswered == 0)
                             done();
                     });
    }
}

UnicastBrowser::UnicastBrowser(UnicastResolver &resolver, TimerFactory makeTimer)
    : m_resolver(resolver)
    , m_makeTimer(std::move(makeTimer))
{
}

void UnicastBrowser::searchForServicesOfType(const QString &type, const QString &domain)
{
    stop();
    m_search = new QObject(this);
    m_type = type;
    if (domain.isEmpty())
        askBrowseDomains(
            m_search, [this](const QByteArray &found, const QByteArray &) { browseDomain(found); },
            [] {}, m_resolver);
    else
        browseDomain(domain.toUtf8());
}

void UnicastBrowser::browseDomain(const QByteArray &domain)
{
    const QByteArray absolute = domain.endsWith('.') ? domain : domain + '.';
    if (absolute.compare("local.", Qt::CaseInsensitive) == 0 || m_domains.contains(absolute))
        return;
    m_domains.insert(absolute);
    m_resolver.ask(m_type.toUtf8() + '.' + absolute, ns_t_ptr, m_search,
                   [this, absolute](const std::vector<DnsAnswerRecord> &records) {
                       for (const DnsAnswerRecord &record : records)
                           Q_EMIT serviceFound(
                               std::make_shared<UnicastService>(record.target + '.', m_type,
                                                                QString::fromUtf8(absolute),
                                                                m_resolver, m_makeTimer),
                               false);
                   });
}

void UnicastBrowser::stop()
{
    delete m_search;
    m_search = nullptr;
    m_domains.clear();
}
