#include "platform/mdns/MdnsEngine.h"

#include "platform/Clock.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsBrowser.h"
#include "platform/mdns/MdnsKnownAnswers.h"
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
// Wake-ups per round (a few ms with what the slots do), and further rounds only within 4 ms of an
// event's start: 4000 services found at once would otherwise hold the event loop for 40-80 ms.
constexpr int kMaxWakeUpsPerRound = 128;
constexpr qint64 kWakeUpBudgetMs = 4;

const QHostAddress kIpv4Group(QStringLiteral("224.0.0.251"));
const QHostAddress kIpv6Group(QStringLiteral("ff02::fb"));

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
    m_services.add(id, service, instanceName);
    return id;
}

void MdnsEngine::removeService(int serviceId)
{
    const MdnsServiceTable::Service *service = m_services.find(serviceId);
    if (service == nullptr)
        return;
    if (service->resolution.isMonitoring())
        m_cache.unwatch(service->resolution.instanceName(), TypeTxt);
    m_services.remove(serviceId);
    // Its wake-ups find no service when they come due and do nothing.
}

void MdnsEngine::resolve(int serviceId, double timeoutSeconds)
{
    MdnsServiceTable::Service *service = m_services.find(serviceId);
    if (service == nullptr)
        return;
    const qint64 now = m_clock->now();
    service->resolution.startResolving();
    const double timeoutMs = std::clamp(timeoutSeconds * 1000.0, 0.0, 1e12);
    m_services.wakeUp(now, serviceId);
    m_services.wakeUp(now + static_cast<qint64>(timeoutMs), serviceId,
                      MdnsServiceTable::WakeUp::Kind::resolveTimeout);
    rearm();
}

void MdnsEngine::startMonitoring(int serviceId)
{
    MdnsServiceTable::Service *service = m_services.find(serviceId);
    if (service == nullptr)
        return;
    MdnsResolution &resolution = service->resolution;
    if (!resolution.isMonitoring())
        m_cache.watch(resolution.instanceName(), TypeTxt);
    resolution.startMonitoring();
    m_services.wakeUp(m_clock->now(), serviceId);
    rearm();
}

QList<QByteArray> MdnsEngine::addresses(int serviceId) const
{
    const MdnsServiceTable::Service *service = m_services.find(serviceId);
    return service ? service->resolution.addresses(m_cache, m_clock->now()) : QList<QByteArray>();
}

QString MdnsEngine::hostName(int serviceId) const
{
    const MdnsServiceTable::Service *service = m_services.find(serviceId);
    if (service == nullptr || !service->resolution.isResolved())
        return {};
    return QString::fromStdString(dottedFromName(service->resolution.hostName()));
}

quint16 MdnsEngine::port(int serviceId) const
{
    const MdnsServiceTable::Service *service = m_services.find(serviceId);
    return service && service->resolution.isResolved() ? service->resolution.port() : 0;
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
    if (!message || !message->isStandard()) {
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
            for (const MdnsCache::Entry *entry :
                 mdns::knownEntries(m_cache, name, type, now, heardSince(name, type)))
                records.push_back(&entry->record);
            return records;
        });
    for (const auto &[key, type] : standIns) {
        m_scheduler.cancel(key, type);
        questionSent(key, type, Delivery::multicast, now);
        if (type != TypePtr)
            continue;
        for (auto &[browseId, browse] : m_browses)
            if (browse.typeKey == key && browse.schedule.isWaiting(now))
                browse.schedule.askedByAnother(now);
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
        if (!found.empty()) {
            browse.schedule.instanceFound(now);
            reportServices(browseId, found);
        }
    }

    for (int serviceId : m_services.of(changes.instances, changes.hosts))
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
    QPointer<MdnsService> handle = m_services.find(serviceId)->handle;
    m_notices.post([this, serviceId, handle, signal, args...] {
        if (handle && m_services.contains(serviceId))
            Q_EMIT(handle->*signal)(args...);
    });
}

void MdnsEngine::evaluate(int serviceId, qint64 now)
{
    MdnsServiceTable::Service *service = m_services.find(serviceId);
    if (service == nullptr)
        return;
    const std::string hostKey = service->resolution.hostKey();
    const MdnsResolution::Step step =
        service->resolution.evaluate(m_cache, m_intake, now, m_transport->sharesPort());
    m_services.hostChanged(serviceId, hostKey);
    for (const mdns::Ask &question : step.questions)
        ask(question.name, question.type, now + mdns::kAggregationDelay, question.delivery,
            Pace::whenQuiet);
    for (qint64 at : step.wakeAt)
        m_services.wakeUp(at, serviceId);
    if (step.txtChanged)
        notify(serviceId, &DnsSdService::txtRecordChanged, *step.txtChanged);
    if (step.resolved)
        notify(serviceId, &DnsSdService::resolved);
    if (step.answerMissed)
        for (auto &[browseId, browse] : m_browses)
            browse.schedule.answerMissed();
}

void MdnsEngine::ask(const std::string &name, RecordType type, qint64 dueAt, Delivery delivery,
                     Pace pace)
{
    m_scheduler.ask({name, type, dueAt, delivery, pace, m_clock->now()});
}

bool MdnsEngine::runDueWakeUps(qint64 now)
{
    // Thousands of services may come due at once; the rest runs at the next timer event, after
    // the event loop's other work.
    const auto due = m_services.takeDueWakeUps(now, kMaxWakeUpsPerRound);
    for (const MdnsServiceTable::WakeUp &wakeUp : due) {
        if (wakeUp.kind == MdnsServiceTable::WakeUp::Kind::evaluate)
            evaluate(wakeUp.serviceId, now);
        else if (m_services.find(wakeUp.serviceId)->resolution.timeOut())
            notify(wakeUp.serviceId, &DnsSdService::resolveFailed);
    }
    return !due.empty();
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

qint64 MdnsEngine::heardSince(const std::string &name, uint16_t type) const
{
    qint64 since = std::numeric_limits<qint64>::min();
    for (const auto &[browseId, browse] : m_browses)
        if (type == TypePtr && browse.typeKey == nameKey(name))
            since = std::max(since, browse.startedAt);
    return since;
}

void MdnsEngine::sendDueQuestions(qint64 now)
{
    const auto messages =
        m_scheduler.takeDue(now, m_cache, [&](const std::string &name, uint16_t type) {
            return mdns::knownAnswers(m_cache, name, type, now, heardSince(name, type));
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
    const bool address = type == TypeA || type == TypeAaaa;
    for (int serviceId : address ? m_services.of({}, {key}) : m_services.of({key}, {})) {
        if (const auto at =
                m_services.find(serviceId)->resolution.questionSent(type, delivery, now))
            m_services.wakeUp(*at, serviceId);
    }
}

void MdnsEngine::flushNotices()
{
    const qint64 started = m_clock->now(); // beyond the budget: at the next timer event
    m_notices.flush([this, started] {
        return m_clock->now() - started < kWakeUpBudgetMs && runDueWakeUps(m_clock->now());
    });
}

void MdnsEngine::rearm()
{
    std::optional<qint64> next;
    auto consider = [&next](std::optional<qint64> at) {
        if (at && (!next || *at < *next))
            next = at;
    };
    consider(m_services.nextWakeUp());
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
