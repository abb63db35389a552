#include "platform/widearea/UnicastDnsSd.h"

#include <QFile>
#include <QNetworkInterface>
#include <QPointer>
#include <QThreadPool>

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

std::vector<DnsAnswerRecord> query(const QByteArray &name, int type)
{
    struct __res_state state;
    std::memset(&state, 0, sizeof state);
    if (res_ninit(&state) != 0)
        return {};
    std::vector<unsigned char> answer(65536);
    const int length =
        res_nquery(&state, name.constData(), ns_c_in, type, answer.data(), int(answer.size()));
    res_nclose(&state);
    if (length <= 0 || length > int(answer.size()))
        return {};
    return parseDnsAnswer(QByteArray(reinterpret_cast<const char *>(answer.data()), length), type);
}

QThreadPool *queryPool()
{
    // Never destroyed: a pool's destructor would wait for queries stuck on a silent server.
    static QThreadPool *pool = [] {
        auto *threads = new QThreadPool;
        threads->setMaxThreadCount(kMaxQueriesInFlight);
        return threads;
    }();
    return pool;
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

void askUnicastDns(const QByteArray &name, int type, QObject *receiver,
                   std::function<void(const std::vector<DnsAnswerRecord> &)> done)
{
    // Lives in the main thread, where the receivers live, and outlives the application object,
    // so that a query that comes back while the process ends has somewhere to go.
    static QObject *const mainThread = new QObject;
    QPointer<QObject> target(receiver);
    queryPool()->start([name, type, target, done = std::move(done)] {
        auto records = query(name, type);
        // Back on the main thread, where the receiver may have gone meanwhile.
        QMetaObject::invokeMethod(
            mainThread,
            [target, done, records = std::move(records)] {
                if (target)
                    done(records);
            },
            Qt::QueuedConnection);
    });
}

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
                               const QString &domain)
    : m_instance(instance)
    , m_type(type)
    , m_domain(domain)
{
    connect(&m_resolveTimer, &OneShotTimer::timeout, this, [this] {
        if (!m_resolved)
            Q_EMIT resolveFailed();
    });
    connect(&m_txtTimer, &OneShotTimer::timeout, this, &UnicastService::askTxt);
}

void UnicastService::resolve(double timeoutSeconds)
{
    m_resolveTimer.start(qint64(timeoutSeconds * 1000));
    askUnicastDns(m_instance, ns_t_srv, this, [this](const std::vector<DnsAnswerRecord> &srv) {
        if (srv.empty())
            return;
        m_hostName = QString::fromLatin1(srv.front().target) + QLatin1Char('.');
        m_port = srv.front().port;
        askAddresses(srv.front().target);
    });
}

void UnicastService::askAddresses(const QByteArray &host)
{
    for (const int type : {ns_t_a, ns_t_aaaa}) {
        askUnicastDns(host, type, this, [this](const std::vector<DnsAnswerRecord> &records) {
            for (const DnsAnswerRecord &record : records)
                m_addresses.append(socketAddress(record.data));
            if (++m_addressAnswers == 2 && !m_addresses.isEmpty() && !m_resolved) {
                m_resolved = true;
                m_resolveTimer.stop();
                Q_EMIT resolved();
            }
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
    askUnicastDns(m_instance, ns_t_txt, this, [this](const std::vector<DnsAnswerRecord> &txt) {
        // Asked again when the record's TTL runs out, or soon when there was no answer.
        m_txtTimer.start(txt.empty() ? kMinTxtRefreshMs
                                     : std::clamp(qint64(txt.front().ttl) * 1000, kMinTxtRefreshMs,
                                                  kMaxTxtRefreshMs));
        if (txt.empty() || m_txt == txt.front().data)
            return;
        m_txt = txt.front().data;
        Q_EMIT txtRecordChanged(*m_txt);
    });
}

void askBrowseDomains(QObject *receiver,
                      std::function<void(const QByteArray &domain, const QByteArray &asked)> found,
                      std::function<void()> done)
{
    QFile file(QStringLiteral("/etc/resolv.conf"));
    const QByteArray conf =
        file.open(QIODevice::ReadOnly) ? file.read(kMaxResolvConfBytes) : QByteArray();
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
        askUnicastDns(name, ns_t_ptr, receiver,
                      [found, done, name, unanswered](const std::vector<DnsAnswerRecord> &records) {
                          for (const DnsAnswerRecord &record : records)
                              found(record.target + '.', name);
                          if (--*unanswered == 0)
                              done();
                      });
    }
}

void UnicastBrowser::searchForServicesOfType(const QString &type, const QString &domain)
{
    stop();
    m_search = new QObject(this);
    m_type = type;
    if (domain.isEmpty())
        askBrowseDomains(
            m_search, [this](const QByteArray &found, const QByteArray &) { browseDomain(found); },
            [] {});
    else
        browseDomain(domain.toUtf8());
}

void UnicastBrowser::browseDomain(const QByteArray &domain)
{
    const QByteArray absolute = domain.endsWith('.') ? domain : domain + '.';
    if (absolute.compare("local.", Qt::CaseInsensitive) == 0 || m_domains.contains(absolute))
        return;
    m_domains.insert(absolute);
    askUnicastDns(m_type.toUtf8() + '.' + absolute, ns_t_ptr, m_search,
                  [this, absolute](const std::vector<DnsAnswerRecord> &records) {
                      for (const DnsAnswerRecord &record : records)
                          Q_EMIT serviceFound(
                              std::make_shared<UnicastService>(record.target + '.', m_type,
                                                               QString::fromUtf8(absolute)),
                              false);
                  });
}

void UnicastBrowser::stop()
{
    delete m_search;
    m_search = nullptr;
    m_domains.clear();
}
