#include "platform/mdns/MdnsEngine.h"

#include "platform/Clock.h"
#include "platform/SocketAddress.h"
#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsBrowser.h"
#include "platform/mdns/MdnsService.h"
#include "platform/mdns/MdnsTransport.h"

#include <QtEndian>

#include <algorithm>
#include <limits>
#include <memory>

using namespace dns;

namespace
{

constexpr qint64 Second = 1000;
// The first query of a browse goes out almost at once: the user has just asked for a search, and
// responders already spread their answers over 20-120 ms (RFC 6762 §6).
constexpr qint64 FirstQueryDelay = 2;
constexpr qint64 FirstQueryDelaySpread = 10;
constexpr qint64 SecondQueryInterval = Second;
constexpr qint64 MaxQueryInterval = 3600 * Second;
// Questions that become due within this window share a message.
constexpr qint64 AggregationDelay = 10;
// How long a host's other address family may take after we asked for it.
constexpr qint64 SettleTime = 250;
// A large response may be one of several messages of a responder that answers for many hosts:
// a host's remaining records come in its next message, if at all.
constexpr int SplitResponseSize = 1400;
constexpr qint64 ContinuationWait = 250;
constexpr size_t MaxOpenHosts = 1000;
// Resolution questions wait until no response has arrived for this long (at most MaxDeferral).
constexpr qint64 QuietPeriod = 20;
constexpr qint64 MaxDeferral = 500;
constexpr qint64 FirstRetryInterval = Second;
constexpr qint64 MaxRetryInterval = 60 * Second;
// A query message fits one Ethernet frame also over IPv6 (1500 - 40 - 8).
constexpr size_t MaxQuerySize = 1452;
// Pacing: at most this many messages per burst, bursts this far apart, so that the answers to a
// large resolution do not arrive all at once and overflow receive buffers.
constexpr int MessagesPerBurst = 8;
constexpr qint64 BurstInterval = 10;
constexpr int MaxNoticeRounds = 8;
constexpr qint64 OwnMessageMemory = 2 * Second;
constexpr size_t OwnMessageLimit = 64;

const QHostAddress Ipv4Group(QStringLiteral("224.0.0.251"));
const QHostAddress Ipv6Group(QStringLiteral("ff02::fb"));

// The address of an A or AAAA record.
QHostAddress hostAddress(const std::string &rdata)
{
    const auto *bytes = reinterpret_cast<const quint8 *>(rdata.data());
    if (rdata.size() == 4)
        return QHostAddress(qFromBigEndian<quint32>(bytes));
    return rdata.size() == 16 ? QHostAddress(bytes) : QHostAddress();
}

} // namespace

MdnsEngine::MdnsEngine(MdnsTransport *transport, Clock *clock, OneShotTimer *timer,
                       std::function<quint32()> random, QObject *parent)
    : QObject(parent)
    , m_transport(transport)
    , m_clock(clock)
    , m_timer(timer)
    , m_random(std::move(random))
{
    m_cache.setJitter([this](int64_t range) { return static_cast<int64_t>(m_random() % range); });
    connect(m_transport, &MdnsTransport::datagramReceived, this, &MdnsEngine::onDatagram);
    connect(m_timer, &OneShotTimer::timeout, this, &MdnsEngine::onTimer);
}

MdnsEngine::~MdnsEngine() = default;

int MdnsEngine::startBrowse(MdnsBrowser *browser, const QString &type, const QString &domain)
{
    const qint64 now = m_clock->now();
    Browse browse;
    browse.browser = browser;
    browse.type = type;
    browse.domain = domain.isEmpty() ? QStringLiteral("local.") : domain;
    browse.typeName = nameFromDotted((type + u'.' + browse.domain).toStdString());
    browse.typeKey = nameKey(browse.typeName);
    browse.startedAt = now;
    browse.interval = SecondQueryInterval;
    browse.nextQueryAt = now + FirstQueryDelay + m_random() % FirstQueryDelaySpread;
    // Multicast DNS answers only for "local."; a browse elsewhere runs but never asks.
    if (nameKey(parentName(parentName(browse.typeName))) != nameFromDotted("local"))
        browse.nextQueryAt = std::numeric_limits<qint64>::max();
    const int id = m_nextId++;
    m_browses.emplace(id, std::move(browse));
    rearm();
    return id;
}

void MdnsEngine::stopBrowse(int browseId)
{
    const auto found = m_browses.find(browseId);
    if (found == m_browses.end())
        return;
    const std::string typeKey = found->second.typeKey;
    m_browses.erase(found);
    const bool stillBrowsed = std::any_of(m_browses.begin(), m_browses.end(), [&](const auto &b) {
        return b.second.typeKey == typeKey;
    });
    if (!stillBrowsed)
        m_pending.erase({typeKey, TypePtr});
    rearm();
}

int MdnsEngine::addService(MdnsService *service, const std::string &instanceName)
{
    const int id = m_nextId++;
    Service state;
    state.handle = service;
    state.instanceName = instanceName;
    state.instanceKey = nameKey(instanceName);
    m_servicesByInstance.emplace(state.instanceKey, id);
    m_services.emplace(id, std::move(state));
    return id;
}

void MdnsEngine::removeService(int serviceId)
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end())
        return;
    const Service &service = found->second;
    auto eraseFrom = [serviceId](std::unordered_multimap<std::string, int> &index,
                                 const std::string &key) {
        auto [first, last] = index.equal_range(key);
        for (auto it = first; it != last; ++it) {
            if (it->second == serviceId) {
                index.erase(it);
                return;
            }
        }
    };
    eraseFrom(m_servicesByInstance, service.instanceKey);
    if (!service.hostKey.empty())
        eraseFrom(m_servicesByHost, service.hostKey);
    if (service.monitoring)
        m_cache.unwatch(service.instanceName, TypeTxt);
    m_services.erase(found);
    // Its pending tasks find no service when they come due and do nothing.
}

void MdnsEngine::resolve(int serviceId, double timeoutSeconds)
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end())
        return;
    const qint64 now = m_clock->now();
    Service &service = found->second;
    service.resolving = true;
    service.resolved = false;
    service.settleAt = -1;
    service.instanceRetry = {};
    service.addressRetry = {};
    const double timeoutMs = std::clamp(timeoutSeconds * 1000.0, 0.0, 1e12);
    addTask(now, serviceId, false);
    addTask(now + static_cast<qint64>(timeoutMs), serviceId, true);
    rearm();
}

void MdnsEngine::startMonitoring(int serviceId)
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end())
        return;
    Service &service = found->second;
    if (!service.monitoring)
        m_cache.watch(service.instanceName, TypeTxt);
    service.monitoring = true;
    service.lastTxt.reset(); // the current record is reported again
    service.txtRetry = {};
    addTask(m_clock->now(), serviceId, false);
    rearm();
}

QList<QByteArray> MdnsEngine::addresses(int serviceId) const
{
    QList<QByteArray> result;
    const auto found = m_services.find(serviceId);
    if (found == m_services.end() || !found->second.resolved)
        return result;
    const Service &service = found->second;
    const qint64 now = m_clock->now();
    for (const uint16_t type : {TypeA, TypeAaaa}) {
        for (const MdnsCache::Entry *entry : m_cache.find(service.hostName, type, now)) {
            if (!entry->goodbye)
                result.append(socketAddress(hostAddress(entry->record.rdata), service.port,
                                            entry->interfaceIndex));
        }
    }
    return result;
}

QString MdnsEngine::hostName(int serviceId) const
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end() || !found->second.resolved)
        return {};
    return QString::fromStdString(dottedFromName(found->second.hostName));
}

quint16 MdnsEngine::port(int serviceId) const
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end() || !found->second.resolved)
        return 0;
    return found->second.port;
}

void MdnsEngine::onDatagram(const QByteArray &datagram, const QHostAddress &source,
                            quint16 sourcePort, int interfaceIndex)
{
    ++m_statistics.packetsReceived;
    // Answers sent from another port are legacy unicast replies to someone else; answers from
    // beyond the link cannot be mDNS (RFC 6762 §11, §6.7).
    if (sourcePort != MdnsTransport::MdnsPort ||
        !m_transport->isOnLocalLink(source, interfaceIndex)) {
        ++m_statistics.packetsIgnored;
        return;
    }
    const auto message = parseMessage(reinterpret_cast<const uint8_t *>(datagram.constData()),
                                      static_cast<size_t>(datagram.size()));
    const uint16_t opcode = message ? (message->flags >> 11) & 0xf : 0;
    const uint16_t responseCode = message ? message->flags & 0xf : 0;
    if (!message || opcode != 0 || responseCode != 0) {
        ++m_statistics.packetsIgnored;
        return;
    }
    const qint64 now = m_clock->now();
    if (message->isResponse())
        handleResponse(*message, datagram.size(), source, interfaceIndex, now);
    else
        handleQuery(*message, datagram, now);
    flushNotices();
    rearm();
}

void MdnsEngine::handleQuery(const Message &message, const QByteArray &datagram, qint64 now)
{
    if (isOwnMessage(datagram, now))
        return;
    // Duplicate question suppression (RFC 6762 §7.3): another querier asked what we were about
    // to ask, and its known answers hold nothing we would not list ourselves, so the answers it
    // gets are the ones we would get.
    for (const Question &question : message.questions) {
        if (question.unicastResponse || question.recordClass != ClassIn)
            continue;
        const std::string key = nameKey(question.name);
        const auto pending = m_pending.find({key, question.type});
        std::vector<Browse *> browses;
        if (question.type == TypePtr) {
            for (auto &[browseId, browse] : m_browses) {
                if (browse.typeKey == key && browse.nextQueryAt > now &&
                    browse.nextQueryAt != std::numeric_limits<qint64>::max())
                    browses.push_back(&browse);
            }
        }
        if (pending == m_pending.end() && browses.empty())
            continue;
        const std::vector<ResourceRecord> ours = knownAnswers(question.name, question.type, now);
        const bool covered = std::all_of(
            message.answers.begin(), message.answers.end(), [&](const ResourceRecord &theirs) {
                if (theirs.type != question.type || nameKey(theirs.name) != key)
                    return true;
                return std::any_of(ours.begin(), ours.end(), [&](const ResourceRecord &mine) {
                    return mine.rdata == theirs.rdata;
                });
            });
        if (!covered)
            continue;
        if (pending != m_pending.end())
            m_pending.erase(pending);
        // Our next browse query counts as sent now.
        for (Browse *browse : browses) {
            browse->firstQuerySent = true;
            browse->nextQueryAt = now + browse->interval;
            browse->interval = std::min(browse->interval * 2, MaxQueryInterval);
        }
    }
}

void MdnsEngine::handleResponse(const Message &message, qsizetype size, const QHostAddress &source,
                                int interfaceIndex, qint64 now)
{
    m_lastResponseAt = now;
    m_cache.removeExpired(now);
    std::unordered_set<std::string> touchedInstances;
    std::unordered_set<std::string> touchedHosts;
    std::vector<const ResourceRecord *> pointers;
    auto take = [&](const ResourceRecord &record) {
        if (record.recordClass != ClassIn)
            return;
        if (m_cache.insert(record, now, interfaceIndex) == MdnsCache::Change::None)
            return;
        switch (record.type) {
        case TypePtr:
            if (record.ttl > 0)
                pointers.push_back(&record);
            break;
        case TypeSrv:
        case TypeTxt:
            touchedInstances.insert(nameKey(record.name));
            break;
        case TypeA:
        case TypeAaaa:
            touchedHosts.insert(nameKey(record.name));
            break;
        case TypeNsec:
            touchedInstances.insert(nameKey(record.name));
            touchedHosts.insert(nameKey(record.name));
            break;
        default:
            break;
        }
    };
    // Questions in a response are ignored; the authority section carries probes' proposals.
    for (const ResourceRecord &record : message.answers)
        take(record);
    for (const ResourceRecord &record : message.additionals)
        take(record);

    // A responder for many hosts spreads a large answer over several messages, and a host's
    // address records may straddle two of them, in any order. Hosts of a large message wait
    // for the sender's next message (or a time-out) before their addresses count as complete.
    const QString sourceKey = source.toString();
    std::vector<std::string> settledHosts;
    for (auto it = m_openHosts.begin(); it != m_openHosts.end();) {
        if (it->second.source == sourceKey) {
            settledHosts.push_back(it->first);
            it = m_openHosts.erase(it);
        } else {
            ++it;
        }
    }
    if (size >= SplitResponseSize) {
        if (m_openHosts.size() + touchedHosts.size() > MaxOpenHosts)
            m_openHosts.clear();
        for (const std::string &key : touchedHosts)
            m_openHosts[key] = {sourceKey, now};
    }
    touchedHosts.insert(settledHosts.begin(), settledHosts.end());

    for (auto &[browseId, browse] : m_browses) {
        std::vector<std::string> found;
        for (const ResourceRecord *pointer : pointers) {
            if (nameKey(pointer->name) != browse.typeKey ||
                !isChildOf(pointer->target, browse.typeName))
                continue;
            if (browse.reported.size() >= MaxServicesPerBrowse)
                break;
            if (browse.reported.insert(nameKey(pointer->target)).second)
                found.push_back(pointer->target);
        }
        if (!found.empty())
            reportServices(browseId, found);
    }

    std::vector<int> affected;
    for (const std::string &key : touchedInstances) {
        auto [first, last] = m_servicesByInstance.equal_range(key);
        for (auto it = first; it != last; ++it)
            affected.push_back(it->second);
    }
    for (const std::string &key : touchedHosts) {
        auto [first, last] = m_servicesByHost.equal_range(key);
        for (auto it = first; it != last; ++it)
            affected.push_back(it->second);
    }
    std::sort(affected.begin(), affected.end());
    affected.erase(std::unique(affected.begin(), affected.end()), affected.end());
    for (int serviceId : affected)
        evaluate(serviceId, now);
}

void MdnsEngine::reportServices(int browseId, const std::vector<std::string> &instances)
{
    for (size_t i = 0; i < instances.size(); ++i) {
        const bool moreComing = i + 1 < instances.size();
        m_notices.push_back([this, browseId, instance = instances[i], moreComing] {
            const auto found = m_browses.find(browseId);
            if (found == m_browses.end())
                return; // stopped meanwhile
            const Browse &browse = found->second;
            MdnsBrowser *browser = browse.browser; // stops its browse when destroyed
            auto service =
                std::make_shared<MdnsService>(this, instance, browse.type, browse.domain);
            Q_EMIT browser->serviceFound(service, moreComing);
        });
    }
}

void MdnsEngine::evaluate(int serviceId, qint64 now)
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end())
        return;
    if (found->second.monitoring)
        evaluateTxt(serviceId, found->second, now);
    if (found->second.resolving && !found->second.resolved)
        evaluateResolution(serviceId, found->second, now);
}

void MdnsEngine::evaluateTxt(int serviceId, Service &service, qint64 now)
{
    const MdnsCache::Entry *txt = m_cache.newest(service.instanceName, TypeTxt, now);
    if (txt == nullptr) {
        if (askWithRetry(serviceId, service.txtRetry, now))
            ask(service.instanceName, TypeTxt, now + AggregationDelay, false, true);
        return;
    }
    if (service.lastTxt && *service.lastTxt == txt->record.rdata)
        return;
    service.lastTxt = txt->record.rdata;
    const QByteArray bytes = QByteArray::fromStdString(txt->record.rdata);
    QPointer<MdnsService> handle = service.handle;
    m_notices.push_back([this, serviceId, handle, bytes] {
        if (handle && m_services.contains(serviceId))
            Q_EMIT handle->txtRecordChanged(bytes);
    });
}

void MdnsEngine::evaluateResolution(int serviceId, Service &service, qint64 now)
{
    const MdnsCache::Entry *srv = m_cache.newest(service.instanceName, TypeSrv, now);
    if (srv == nullptr) {
        if (askWithRetry(serviceId, service.instanceRetry, now)) {
            ask(service.instanceName, TypeSrv, now + AggregationDelay, false, true);
            if (m_cache.newest(service.instanceName, TypeTxt, now) == nullptr)
                ask(service.instanceName, TypeTxt, now + AggregationDelay, false, true);
        }
        return;
    }
    setHost(serviceId, service, srv->record.target, srv->record.port);

    const bool hasIpv4 = m_cache.newest(service.hostName, TypeA, now) != nullptr;
    const bool hasIpv6 = m_cache.newest(service.hostName, TypeAaaa, now) != nullptr;
    // An NSEC record of the host lists the types it has (RFC 6762 §6.1): a family it leaves out
    // will not come.
    bool noIpv4 = false;
    bool noIpv6 = false;
    if (const MdnsCache::Entry *nsec = m_cache.newest(service.hostName, TypeNsec, now)) {
        const auto &types = nsec->record.nsecTypes;
        noIpv4 = std::find(types.begin(), types.end(), TypeA) == types.end();
        noIpv6 = std::find(types.begin(), types.end(), TypeAaaa) == types.end();
    }
    const auto open = m_openHosts.find(service.hostKey);
    if (open != m_openHosts.end()) {
        if (now - open->second.since < ContinuationWait) {
            addTask(open->second.since + ContinuationWait, serviceId, false);
            return; // more of the host's addresses may be on their way
        }
        m_openHosts.erase(open);
    }
    if ((hasIpv4 || hasIpv6) && (hasIpv4 || noIpv4) && (hasIpv6 || noIpv6)) {
        markResolved(serviceId, service);
        return;
    }
    if (hasIpv4 || hasIpv6) {
        if (service.settleAt < 0) {
            ask(service.hostName, hasIpv4 ? TypeAaaa : TypeA, now + AggregationDelay, false, true);
            service.settleAt = now + AggregationDelay + SettleTime;
            addTask(service.settleAt, serviceId, false);
        } else if (now >= service.settleAt) {
            markResolved(serviceId, service);
        }
        return;
    }
    if (askWithRetry(serviceId, service.addressRetry, now)) {
        ask(service.hostName, TypeA, now + AggregationDelay, false, true);
        ask(service.hostName, TypeAaaa, now + AggregationDelay, false, true);
    }
}

bool MdnsEngine::askWithRetry(int serviceId, Retry &retry, qint64 now)
{
    if (now < retry.nextAt)
        return false;
    retry.interval =
        retry.interval == 0 ? FirstRetryInterval : std::min(retry.interval * 2, MaxRetryInterval);
    retry.nextAt = now + retry.interval;
    addTask(retry.nextAt, serviceId, false);
    return true;
}

void MdnsEngine::setHost(int serviceId, Service &service, const std::string &hostName, quint16 port)
{
    service.port = port;
    const std::string key = nameKey(hostName);
    if (key == service.hostKey)
        return;
    if (!service.hostKey.empty()) {
        auto [first, last] = m_servicesByHost.equal_range(service.hostKey);
        for (auto it = first; it != last; ++it) {
            if (it->second == serviceId) {
                m_servicesByHost.erase(it);
                break;
            }
        }
    }
    service.hostName = hostName;
    service.hostKey = key;
    service.settleAt = -1;
    service.addressRetry = {};
    m_servicesByHost.emplace(key, serviceId);
}

void MdnsEngine::markResolved(int serviceId, Service &service)
{
    service.resolved = true;
    QPointer<MdnsService> handle = service.handle;
    m_notices.push_back([this, serviceId, handle] {
        if (handle && m_services.contains(serviceId))
            Q_EMIT handle->resolved();
    });
}

void MdnsEngine::ask(const std::string &name, uint16_t type, qint64 dueAt, bool unicastResponse,
                     bool deferrable)
{
    requeue({name, type, dueAt, unicastResponse, deferrable, m_clock->now()}, dueAt);
}

void MdnsEngine::requeue(PendingQuestion question, qint64 dueAt)
{
    question.dueAt = dueAt;
    const auto [it, added] =
        m_pending.try_emplace({nameKey(question.name), question.type}, question);
    if (!added) {
        PendingQuestion &pending = it->second;
        pending.dueAt = std::min(pending.dueAt, dueAt);
        pending.unicastResponse = pending.unicastResponse || question.unicastResponse;
        pending.deferrable = pending.deferrable && question.deferrable;
        pending.askedAt = std::min(pending.askedAt, question.askedAt);
    }
}

void MdnsEngine::addTask(qint64 at, int serviceId, bool timeout)
{
    m_tasks.emplace(at, std::make_pair(serviceId, timeout));
}

bool MdnsEngine::runDueTasks(qint64 now)
{
    bool ran = false;
    while (!m_tasks.empty() && m_tasks.begin()->first <= now) {
        const auto [serviceId, timeout] = m_tasks.begin()->second;
        m_tasks.erase(m_tasks.begin());
        const auto found = m_services.find(serviceId);
        if (found == m_services.end())
            continue;
        ran = true;
        Service &service = found->second;
        if (!timeout) {
            evaluate(serviceId, now);
        } else if (service.resolving && !service.resolved) {
            service.resolving = false;
            QPointer<MdnsService> handle = service.handle;
            m_notices.push_back([this, serviceId, handle] {
                if (handle && m_services.contains(serviceId))
                    Q_EMIT handle->resolveFailed();
            });
        }
    }

    return ran;
}

void MdnsEngine::onTimer()
{
    m_armedAt.reset();
    const qint64 now = m_clock->now();
    m_cache.removeExpired(now);

    runDueTasks(now);

    for (const MdnsCache::Refresh &refresh : m_cache.takeDueRefreshes(now))
        ask(refresh.name, refresh.type, now);

    for (auto &[browseId, browse] : m_browses) {
        if (browse.nextQueryAt > now)
            continue;
        ask(browse.typeName, TypePtr, now, !browse.firstQuerySent && !m_transport->sharesPort());
        browse.firstQuerySent = true;
        browse.nextQueryAt = now + browse.interval;
        browse.interval = std::min(browse.interval * 2, MaxQueryInterval);
    }

    sendDueQuestions(now);
    flushNotices();
    rearm();
}

std::vector<ResourceRecord> MdnsEngine::knownAnswers(const std::string &name, uint16_t type,
                                                     qint64 now) const
{
    // A browse lists only what it heard itself: its first query has no known answers, so every
    // responder answers, and a service gone since an earlier browse is not taken for granted.
    qint64 heardSince = std::numeric_limits<qint64>::min();
    if (type == TypePtr) {
        const std::string key = nameKey(name);
        for (const auto &[browseId, browse] : m_browses) {
            if (browse.typeKey == key)
                heardSince = std::max(heardSince, browse.startedAt);
        }
    }
    std::vector<ResourceRecord> answers;
    for (const MdnsCache::Entry *entry : m_cache.find(name, type, now)) {
        if (entry->goodbye || entry->receivedAt < heardSince ||
            entry->remaining(now) * 2 < entry->lifetime)
            continue;
        ResourceRecord answer = entry->record;
        answer.cacheFlush = false;
        answer.ttl = static_cast<uint32_t>(entry->remaining(now) / Second);
        answers.push_back(std::move(answer));
    }
    return answers;
}

bool MdnsEngine::isAnswered(const std::string &name, uint16_t type, qint64 now) const
{
    const auto entries = m_cache.find(name, type, now);
    return std::any_of(entries.begin(), entries.end(), [now](const MdnsCache::Entry *entry) {
        return !entry->goodbye && entry->remaining(now) * 2 >= entry->lifetime;
    });
}

void MdnsEngine::sendDueQuestions(qint64 now)
{
    if (m_pending.empty() || now < m_nextSendAllowedAt)
        return;
    // Once a question is due, those due within the next moments go with it.
    const bool anyDue = std::any_of(m_pending.begin(), m_pending.end(),
                                    [now](const auto &entry) { return entry.second.dueAt <= now; });
    if (!anyDue)
        return;
    std::vector<PendingQuestion> due;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        PendingQuestion &pending = it->second;
        // While answers are still streaming in, the rest of a large response may bring what a
        // resolution wanted to ask for: wait until the network is quiet for a moment.
        if (pending.deferrable && pending.dueAt <= now + AggregationDelay &&
            now < m_lastResponseAt + QuietPeriod && now < pending.askedAt + MaxDeferral) {
            pending.dueAt = std::min(m_lastResponseAt + QuietPeriod, pending.askedAt + MaxDeferral);
            ++it;
            continue;
        }
        if (it->second.dueAt <= now + AggregationDelay) {
            // The rest of a response split over several messages often brings what we meant to
            // ask for: a question the cache now answers well is not sent. Browse questions
            // always go, and refresh questions find their record below half its TTL.
            if (it->second.type != TypePtr && isAnswered(it->second.name, it->second.type, now)) {
                it = m_pending.erase(it);
                continue;
            }
            due.push_back(std::move(it->second));
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    if (due.empty())
        return;
    // Browse questions first, then in the order they became due.
    std::stable_sort(due.begin(), due.end(),
                     [](const PendingQuestion &a, const PendingQuestion &b) {
                         if ((a.type == TypePtr) != (b.type == TypePtr))
                             return a.type == TypePtr;
                         return a.dueAt < b.dueAt;
                     });

    int messages = 0;
    size_t next = 0;
    while (next < due.size() && messages < MessagesPerBurst) {
        auto writer = std::make_unique<MessageWriter>(MaxQuerySize);
        std::vector<ResourceRecord> answers;
        while (next < due.size() && writer->addQuestion({due[next].name, due[next].type, ClassIn,
                                                         due[next].unicastResponse})) {
            auto known = knownAnswers(due[next].name, due[next].type, now);
            answers.insert(answers.end(), std::make_move_iterator(known.begin()),
                           std::make_move_iterator(known.end()));
            ++m_statistics.questionsSent;
            ++next;
        }
        if (writer->questionCount() == 0) { // cannot happen with names of at most 255 bytes
            ++next;
            continue;
        }
        // Known answers that do not fit follow in further messages; all but the last carry the
        // TC bit so that responders wait for the rest (RFC 6762 §7.2).
        for (const ResourceRecord &answer : answers) {
            if (writer->addAnswer(answer))
                continue;
            writer->setFlags(FlagTruncated);
            transmit(writer->bytes(), now);
            ++messages;
            writer = std::make_unique<MessageWriter>(MaxQuerySize);
            writer->addAnswer(answer);
        }
        transmit(writer->bytes(), now);
        ++messages;
    }
    // What did not fit into this burst goes in the next one.
    for (size_t i = next; i < due.size(); ++i)
        requeue(std::move(due[i]), now + BurstInterval);
    if (next < due.size())
        m_nextSendAllowedAt = now + BurstInterval;
}

void MdnsEngine::transmit(const std::vector<uint8_t> &message, qint64 now)
{
    const QByteArray datagram(reinterpret_cast<const char *>(message.data()),
                              static_cast<qsizetype>(message.size()));
    m_transport->send(datagram, Ipv4Group, MdnsTransport::MdnsPort, 0);
    m_transport->send(datagram, Ipv6Group, MdnsTransport::MdnsPort, 0);
    m_statistics.packetsSent += 2;
    m_statistics.bytesSent += 2 * static_cast<quint64>(datagram.size());
    m_recentlySent.emplace_back(now, datagram);
    while (m_recentlySent.size() > OwnMessageLimit)
        m_recentlySent.pop_front();
}

bool MdnsEngine::isOwnMessage(const QByteArray &datagram, qint64 now)
{
    while (!m_recentlySent.empty() && m_recentlySent.front().first < now - OwnMessageMemory)
        m_recentlySent.pop_front();
    return std::any_of(m_recentlySent.begin(), m_recentlySent.end(),
                       [&datagram](const auto &sent) { return sent.second == datagram; });
}

void MdnsEngine::flushNotices()
{
    // A slot may stop browsers, drop services or start new work: take the list first, and let
    // every notice check that its receiver is still there.
    // What the slots asked for (a resolution, TXT monitoring) is taken up at once when the cache
    // already answers it: the chain found -> resolved -> TXT of a service whose records came
    // together completes within the handling of that one message. The slots' calls have
    // returned by then, so no signal fires inside a call; the rounds are bounded.
    for (int round = 0; round < MaxNoticeRounds; ++round) {
        if (m_notices.empty() && !runDueTasks(m_clock->now()))
            break;
        std::vector<std::function<void()>> notices;
        notices.swap(m_notices);
        for (const auto &notice : notices)
            notice();
    }
}

void MdnsEngine::rearm()
{
    std::optional<qint64> next;
    auto consider = [&next](std::optional<qint64> at) {
        if (at && (!next || *at < *next))
            next = at;
    };
    if (!m_tasks.empty())
        consider(m_tasks.begin()->first);
    for (const auto &[key, question] : m_pending)
        consider(std::max(question.dueAt, m_nextSendAllowedAt));
    for (const auto &[browseId, browse] : m_browses) {
        if (browse.nextQueryAt != std::numeric_limits<qint64>::max())
            consider(browse.nextQueryAt);
    }
    consider(m_cache.nextExpiry());
    consider(m_cache.nextRefresh());
    if (!next) {
        if (m_armedAt)
            m_timer->stop();
        m_armedAt.reset();
        return;
    }
    if (m_armedAt == next)
        return;
    m_armedAt = next;
    m_timer->start(std::max<qint64>(*next - m_clock->now(), 0));
}
