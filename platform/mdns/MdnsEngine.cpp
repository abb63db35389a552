#include "platform/mdns/MdnsEngine.h"

#include "platform/Clock.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsBrowser.h"
#include "platform/mdns/MdnsService.h"
#include "platform/mdns/MdnsTransport.h"

#include <algorithm>
#include <limits>

using namespace dns;
using mdns::Delivery;
using mdns::Pace;

namespace
{

// The first query of a browse goes out almost at once: the user has just asked for a search, and
// responders already spread their answers over 20-120 ms (RFC 6762 §6).
constexpr qint64 kFirstQueryDelay = 2;
constexpr qint64 kFirstQueryDelaySpread = 10;
// About a millisecond of work.
constexpr int kMaxWakeUpsPerRound = 256;

const QHostAddress kIpv4Group(QStringLiteral("224.0.0.251"));
const QHostAddress kIpv6Group(QStringLiteral("ff02::fb"));

void eraseFrom(std::unordered_multimap<std::string, int> &index, const std::string &key, int id)
{
    auto [first, last] = index.equal_range(key);
    for (auto it = first; it != last; ++it) {
        if (it->second == id) {
            index.erase(it);
            return;
        }
    }
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
    m_cache.setJitter([this](qint64 range) { return static_cast<qint64>(m_random() % range); });
    connect(m_transport, &MdnsTransport::datagramReceived, this, &MdnsEngine::onDatagram);
    connect(m_timer, &OneShotTimer::timeout, this, &MdnsEngine::onTimer);
    connect(m_transport, &MdnsTransport::reportChanged, this, &MdnsEngine::socketReportChanged);
}

MdnsEngine::~MdnsEngine() = default;

DnsSdSocketReport MdnsEngine::socketReport() const
{
    return m_transport->report();
}

int MdnsEngine::startBrowse(MdnsBrowser *browser, const QString &type, const QString &domain)
{
    const qint64 now = m_clock->now();
    const QString browseDomain = domain.isEmpty() ? QStringLiteral("local.") : domain;
    const std::string typeName = nameFromDotted((type + u'.' + browseDomain).toStdString());
    // Multicast DNS answers only for "local."; a browse elsewhere runs but never asks.
    std::optional<qint64> firstAt;
    if (nameKey(parentName(parentName(typeName))) == nameFromDotted("local"))
        firstAt = now + kFirstQueryDelay + m_random() % kFirstQueryDelaySpread;
    const int id = m_nextId++;
    m_browses.emplace(id, Browse{browser,
                                 type,
                                 browseDomain,
                                 typeName,
                                 nameKey(typeName),
                                 now,
                                 MdnsBrowseSchedule(firstAt),
                                 {}});
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
    if (std::none_of(m_browses.begin(), m_browses.end(),
                     [&](const auto &b) { return b.second.typeKey == typeKey; }))
        m_scheduler.cancel(typeKey, TypePtr);
    rearm();
}

int MdnsEngine::addService(MdnsService *service, const std::string &instanceName)
{
    const int id = m_nextId++;
    const auto [it, added] = m_services.emplace(id, Service{service, MdnsResolution(instanceName)});
    m_servicesByInstance.emplace(it->second.resolution.instanceKey(), id);
    return id;
}

void MdnsEngine::removeService(int serviceId)
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end())
        return;
    const MdnsResolution &resolution = found->second.resolution;
    eraseFrom(m_servicesByInstance, resolution.instanceKey(), serviceId);
    if (!resolution.hostKey().empty())
        eraseFrom(m_servicesByHost, resolution.hostKey(), serviceId);
    if (resolution.isMonitoring())
        m_cache.unwatch(resolution.instanceName(), TypeTxt);
    m_services.erase(found);
    // Its wake-ups find no service when they come due and do nothing.
}

void MdnsEngine::resolve(int serviceId, double timeoutSeconds)
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end())
        return;
    const qint64 now = m_clock->now();
    found->second.resolution.startResolving();
    const double timeoutMs = std::clamp(timeoutSeconds * 1000.0, 0.0, 1e12);
    wakeUp(now, serviceId);
    wakeUp(now + static_cast<qint64>(timeoutMs), serviceId, WakeUp::Kind::resolveTimeout);
    rearm();
}

void MdnsEngine::startMonitoring(int serviceId)
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end())
        return;
    MdnsResolution &resolution = found->second.resolution;
    if (!resolution.isMonitoring())
        m_cache.watch(resolution.instanceName(), TypeTxt);
    resolution.startMonitoring();
    wakeUp(m_clock->now(), serviceId);
    rearm();
}

QList<QByteArray> MdnsEngine::addresses(int serviceId) const
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end())
        return {};
    return found->second.resolution.addresses(m_cache, m_clock->now());
}

QString MdnsEngine::hostName(int serviceId) const
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end() || !found->second.resolution.isResolved())
        return {};
    return QString::fromStdString(dottedFromName(found->second.resolution.hostName()));
}

quint16 MdnsEngine::port(int serviceId) const
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end() || !found->second.resolution.isResolved())
        return 0;
    return found->second.resolution.port();
}

void MdnsEngine::onDatagram(const QByteArray &datagram, const QHostAddress &source,
                            quint16 sourcePort, int interfaceIndex)
{
    ++m_statistics.packetsReceived;
    // Answers sent from another port are legacy unicast replies to someone else; answers from
    // beyond the link cannot be mDNS (RFC 6762 §11, §6.7).
    if (sourcePort != MdnsTransport::kMdnsPort ||
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
    auto waitingBrowse = [&](const std::string &key) {
        return std::any_of(m_browses.begin(), m_browses.end(), [&](const auto &entry) {
            return entry.second.typeKey == key && entry.second.schedule.isWaiting(now);
        });
    };
    const auto standIns = m_duplicates.standIns(
        message, datagram, now,
        [&](const MdnsDuplicateQuestions::Key &key) {
            return m_scheduler.isPending(key.first, key.second) ||
                   (key.second == TypePtr && waitingBrowse(key.first));
        },
        [&](const std::string &name, uint16_t type) {
            std::vector<const ResourceRecord *> records;
            for (const MdnsCache::Entry *entry : knownEntries(name, type, now))
                records.push_back(&entry->record);
            return records;
        });
    for (const auto &[key, type] : standIns) {
        m_scheduler.cancel(key, type);
        questionSent(key, type, Delivery::multicast, now);
        if (type != TypePtr)
            continue;
        for (auto &[browseId, browse] : m_browses) {
            if (browse.typeKey == key && browse.schedule.isWaiting(now))
                browse.schedule.askedByAnother(now);
        }
    }
}

void MdnsEngine::handleResponse(const Message &message, qsizetype size, const QHostAddress &source,
                                int interfaceIndex, qint64 now)
{
    m_scheduler.responseArrived(now);
    const MdnsResponseIntake::Changes changes =
        m_intake.take(message, size, source, interfaceIndex, now);

    for (auto &[browseId, browse] : m_browses) {
        std::vector<std::string> found;
        for (const ResourceRecord *pointer : changes.pointers) {
            if (nameKey(pointer->name) != browse.typeKey ||
                !isChildOf(pointer->target, browse.typeName))
                continue;
            if (browse.reported.size() >= kMaxServicesPerBrowse)
                break;
            if (browse.reported.insert(nameKey(pointer->target)).second)
                found.push_back(pointer->target);
        }
        if (!found.empty())
            reportServices(browseId, found);
    }

    std::vector<int> affected;
    auto collect = [&](const std::unordered_multimap<std::string, int> &index,
                       const std::unordered_set<std::string> &keys) {
        for (const std::string &key : keys) {
            auto [first, last] = index.equal_range(key);
            for (auto it = first; it != last; ++it)
                affected.push_back(it->second);
        }
    };
    collect(m_servicesByInstance, changes.instances);
    collect(m_servicesByHost, changes.hosts);
    std::sort(affected.begin(), affected.end());
    affected.erase(std::unique(affected.begin(), affected.end()), affected.end());
    for (int serviceId : affected)
        evaluate(serviceId, now);
}

void MdnsEngine::reportServices(int browseId, const std::vector<std::string> &instances)
{
    for (size_t i = 0; i < instances.size(); ++i) {
        const bool moreComing = i + 1 < instances.size();
        m_notices.post([this, browseId, instance = instances[i], moreComing] {
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

template<typename Signal, typename... Args>
void MdnsEngine::notify(int serviceId, Signal signal, Args... args)
{
    QPointer<MdnsService> handle = m_services.at(serviceId).handle;
    m_notices.post([this, serviceId, handle, signal, args...] {
        if (handle && m_services.contains(serviceId))
            Q_EMIT(handle->*signal)(args...);
    });
}

void MdnsEngine::evaluate(int serviceId, qint64 now)
{
    const auto found = m_services.find(serviceId);
    if (found == m_services.end())
        return;
    MdnsResolution &resolution = found->second.resolution;
    const std::string hostKey = resolution.hostKey();
    const MdnsResolution::Step step =
        resolution.evaluate(m_cache, m_intake, now, m_transport->sharesPort());
    if (resolution.hostKey() != hostKey) {
        if (!hostKey.empty())
            eraseFrom(m_servicesByHost, hostKey, serviceId);
        m_servicesByHost.emplace(resolution.hostKey(), serviceId);
    }
    for (const mdns::Ask &question : step.questions)
        ask(question.name, question.type, now + mdns::kAggregationDelay, question.delivery,
            Pace::whenQuiet);
    for (qint64 at : step.wakeAt)
        wakeUp(at, serviceId);
    if (step.txtChanged)
        notify(serviceId, &DnsSdService::txtRecordChanged, *step.txtChanged);
    if (step.resolved)
        notify(serviceId, &DnsSdService::resolved);
}

void MdnsEngine::ask(const std::string &name, RecordType type, qint64 dueAt, Delivery delivery,
                     Pace pace)
{
    m_scheduler.ask({name, type, dueAt, delivery, pace, m_clock->now()});
}

void MdnsEngine::wakeUp(qint64 at, int serviceId, WakeUp::Kind kind)
{
    m_wakeUps.emplace(at, WakeUp{serviceId, kind});
}

bool MdnsEngine::runDueWakeUps(qint64 now)
{
    bool ran = false;
    // Thousands of services may come due at once; the rest runs at the next timer event, after
    // the event loop's other work.
    for (int done = 0;
         done < kMaxWakeUpsPerRound && !m_wakeUps.empty() && m_wakeUps.begin()->first <= now;
         ++done) {
        const WakeUp due = m_wakeUps.begin()->second;
        m_wakeUps.erase(m_wakeUps.begin());
        const auto found = m_services.find(due.serviceId);
        if (found == m_services.end())
            continue;
        ran = true;
        if (due.kind == WakeUp::Kind::evaluate)
            evaluate(due.serviceId, now);
        else if (found->second.resolution.timeOut())
            notify(due.serviceId, &DnsSdService::resolveFailed);
    }
    return ran;
}

void MdnsEngine::onTimer()
{
    m_armedAt.reset();
    const qint64 now = m_clock->now();
    m_cache.removeExpired(now);

    runDueWakeUps(now);

    for (const MdnsCache::Refresh &refresh : m_cache.takeDueRefreshes(now))
        ask(refresh.name, RecordType(refresh.type), now);

    for (auto &[browseId, browse] : m_browses) {
        if (browse.schedule.isDue(now))
            ask(browse.typeName, TypePtr, now,
                browse.schedule.send(now, m_transport->sharesPort()));
    }

    sendDueQuestions(now);
    flushNotices();
    rearm();
}

std::vector<const MdnsCache::Entry *> MdnsEngine::knownEntries(const std::string &name,
                                                               uint16_t type, qint64 now) const
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
    std::vector<const MdnsCache::Entry *> entries = m_cache.find(name, type, now);
    std::erase_if(entries, [&](const MdnsCache::Entry *entry) {
        return entry->goodbye || entry->receivedAt < heardSince ||
               entry->remaining(now) * 2 < entry->lifetime;
    });
    return entries;
}

std::vector<ResourceRecord> MdnsEngine::knownAnswers(const std::string &name, uint16_t type,
                                                     qint64 now) const
{
    std::vector<ResourceRecord> answers;
    for (const MdnsCache::Entry *entry : knownEntries(name, type, now)) {
        ResourceRecord answer = entry->record;
        answer.cacheFlush = false;
        answer.ttl = static_cast<uint32_t>(entry->remaining(now) / 1000);
        answers.push_back(std::move(answer));
    }
    return answers;
}

void MdnsEngine::sendDueQuestions(qint64 now)
{
    const auto messages =
        m_scheduler.takeDue(now, m_cache, [&](const std::string &name, uint16_t type) {
            return knownAnswers(name, type, now);
        });
    for (const MdnsQueryScheduler::Outgoing &message : messages) {
        m_transport->send(message.datagram, kIpv4Group, MdnsTransport::kMdnsPort, 0);
        m_transport->send(message.datagram, kIpv6Group, MdnsTransport::kMdnsPort, 0);
        m_statistics.packetsSent += 2;
        m_statistics.bytesSent += 2 * static_cast<quint64>(message.datagram.size());
        m_statistics.questionsSent += message.questions.size();
        m_duplicates.sent(message.datagram, now);
        for (const mdns::PendingQuestion &question : message.questions)
            questionSent(nameKey(question.name), question.type, question.delivery, now);
    }
}

void MdnsEngine::questionSent(const std::string &key, uint16_t type, Delivery delivery, qint64 now)
{
    const auto &index = type == TypeA || type == TypeAaaa ? m_servicesByHost : m_servicesByInstance;
    auto [first, last] = index.equal_range(key);
    for (auto it = first; it != last; ++it) {
        if (const auto at = m_services.at(it->second).resolution.questionSent(type, delivery, now))
            wakeUp(*at, it->second);
    }
}

void MdnsEngine::flushNotices()
{
    m_notices.flush([this] { return runDueWakeUps(m_clock->now()); });
}

void MdnsEngine::rearm()
{
    std::optional<qint64> next;
    auto consider = [&next](std::optional<qint64> at) {
        if (at && (!next || *at < *next))
            next = at;
    };
    if (!m_wakeUps.empty())
        consider(m_wakeUps.begin()->first);
    consider(m_scheduler.nextDue());
    for (const auto &[browseId, browse] : m_browses)
        consider(browse.schedule.nextAt());
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
