#include "platform/mdns/MdnsResolution.h"

#include "platform/SocketAddress.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsCache.h"
#include "platform/mdns/MdnsResponseIntake.h"

#include <QtEndian>

#include <algorithm>

using namespace dns;

namespace
{

// The address of an A or AAAA record.
QHostAddress hostAddress(const std::string &rdata)
{
    const auto *bytes = reinterpret_cast<const quint8 *>(rdata.data());
    if (rdata.size() == 4)
        return QHostAddress(qFromBigEndian<quint32>(bytes));
    return rdata.size() == 16 ? QHostAddress(bytes) : QHostAddress();
}

} // namespace

MdnsResolution::MdnsResolution(std::string instanceName)
    : m_instanceName(std::move(instanceName))
    , m_instanceKey(nameKey(m_instanceName))
{
}

void MdnsResolution::startResolving()
{
    m_resolving = true;
    m_resolved = false;
    m_otherFamily.reset();
    m_otherFamilyRetry = {};
    m_settleAt.reset();
    m_addressesAskedAt.reset();
    m_instanceRetry = {};
    m_addressRetry = {};
}

void MdnsResolution::startMonitoring()
{
    m_monitoring = true;
    m_lastTxt.reset(); // the current record is reported again
    m_txtRetry = {};
}

bool MdnsResolution::timeOut()
{
    if (!m_resolving || m_resolved)
        return false;
    m_resolving = false;
    return true;
}

MdnsResolution::Retry *MdnsResolution::retryOf(uint16_t type)
{
    if (type == TypeTxt)
        return m_monitoring ? &m_txtRetry : nullptr;
    if (!m_resolving || m_resolved)
        return nullptr;
    if (type == TypeSrv)
        return &m_instanceRetry;
    if (type != TypeA && type != TypeAaaa)
        return nullptr;
    if (!m_otherFamily)
        return &m_addressRetry;
    return m_otherFamily == type ? &m_otherFamilyRetry : nullptr;
}

std::optional<qint64> MdnsResolution::questionSent(uint16_t type, mdns::Delivery delivery,
                                                   qint64 now)
{
    Retry *retry = retryOf(type);
    if (retry == nullptr)
        return std::nullopt;
    if (retry == &m_addressRetry)
        m_addressesAskedAt = now;
    const bool awaitingUnicast = std::exchange(retry->unicastUnanswered, false);
    if (delivery == mdns::Delivery::unicast && awaitingUnicast) {
        retry->unicastUnanswered = true;
        retry->nextAt = now + mdns::kUnicastAnswerWait;
        return retry->nextAt;
    }
    if (retry != &m_otherFamilyRetry || m_settleAt)
        return std::nullopt;
    m_settleAt = now + mdns::kBurstGap;
    return m_settleAt;
}

QList<QByteArray> MdnsResolution::addresses(const MdnsCache &cache, qint64 now) const
{
    QList<QByteArray> result;
    if (!m_resolved)
        return result;
    for (const uint16_t type : {TypeA, TypeAaaa}) {
        for (const MdnsCache::Entry *entry : cache.find(m_hostName, type, now)) {
            if (!entry->goodbye)
                result.append(
                    socketAddress(hostAddress(entry->record.rdata), m_port, entry->interfaceIndex));
        }
    }
    return result;
}

MdnsResolution::Step MdnsResolution::evaluate(const MdnsCache &cache, MdnsResponseIntake &intake,
                                              qint64 now, bool portShared)
{
    Step step;
    if (m_monitoring)
        evaluateTxt(cache, now, portShared, step);
    if (m_resolving && !m_resolved)
        evaluateResolution(cache, intake, now, portShared, step);
    return step;
}

std::optional<mdns::Delivery> MdnsResolution::retryDue(Retry &retry, qint64 now, bool portShared,
                                                       Step &step)
{
    if (retry.nextAt && now < *retry.nextAt)
        return std::nullopt;
    const bool first = retry.interval == 0;
    // A QU question that went unanswered is asked again as QM at once; the usual repetition
    // follows from there. The responder likely ignores QU: the next first questions are QM.
    if (first) {
        retry.interval = kFirstRetryInterval;
    } else if (std::exchange(retry.unicastUnanswered, false)) {
        m_unicastIgnored = true;
    } else {
        step.answerMissed = true;
        if (++retry.sent >= kSteadyRetries)
            retry.interval = std::min(retry.interval * 2, kMaxRetryInterval);
    }
    retry.nextAt = now + retry.interval;
    step.wakeAt.push_back(*retry.nextAt);
    retry.unicastUnanswered = first && !portShared && !m_unicastIgnored;
    return retry.unicastUnanswered ? mdns::Delivery::unicast : mdns::Delivery::multicast;
}

void MdnsResolution::evaluateTxt(const MdnsCache &cache, qint64 now, bool portShared, Step &step)
{
    const MdnsCache::Entry *txt = cache.newest(m_instanceName, TypeTxt, now);
    if (txt == nullptr) {
        if (const auto delivery = retryDue(m_txtRetry, now, portShared, step))
            step.questions.push_back({m_instanceName, TypeTxt, *delivery});
        return;
    }
    m_txtRetry.unicastUnanswered = false;
    if (m_lastTxt && *m_lastTxt == txt->record.rdata)
        return;
    m_lastTxt = txt->record.rdata;
    step.txtChanged = QByteArray::fromStdString(txt->record.rdata);
}

void MdnsResolution::evaluateResolution(const MdnsCache &cache, MdnsResponseIntake &intake,
                                        qint64 now, bool portShared, Step &step)
{
    const MdnsCache::Entry *srv = cache.newest(m_instanceName, TypeSrv, now);
    if (srv == nullptr) {
        if (const auto delivery = retryDue(m_instanceRetry, now, portShared, step)) {
            step.questions.push_back({m_instanceName, TypeSrv, *delivery});
            if (cache.newest(m_instanceName, TypeTxt, now) == nullptr)
                step.questions.push_back({m_instanceName, TypeTxt, *delivery});
        }
        return;
    }
    m_instanceRetry.unicastUnanswered = false;
    m_port = srv->record.port;
    if (const std::string key = nameKey(srv->record.target); key != m_hostKey) {
        m_hostName = srv->record.target;
        m_hostKey = key;
        m_otherFamily.reset();
        m_otherFamilyRetry = {};
        m_settleAt.reset();
        m_addressesAskedAt.reset();
        m_addressRetry = {};
    }
    if (const auto openUntil = intake.openUntil(m_hostKey, now)) {
        step.wakeAt.push_back(*openUntil);
        return; // more of the host's addresses may be on their way
    }
    evaluateAddresses(cache, now, portShared, step);
}

void MdnsResolution::evaluateAddresses(const MdnsCache &cache, qint64 now, bool portShared,
                                       Step &step)
{
    const bool hasIpv4 = cache.newest(m_hostName, TypeA, now) != nullptr;
    const bool hasIpv6 = cache.newest(m_hostName, TypeAaaa, now) != nullptr;
    bool noIpv4 = false;
    bool noIpv6 = false;
    if (const MdnsCache::Entry *nsec = cache.newest(m_hostName, TypeNsec, now)) {
        const auto &types = nsec->record.nsecTypes;
        noIpv4 = std::find(types.begin(), types.end(), TypeA) == types.end();
        noIpv6 = std::find(types.begin(), types.end(), TypeAaaa) == types.end();
    }
    if ((hasIpv4 || hasIpv6) && (hasIpv4 || noIpv4) && (hasIpv6 || noIpv6)) {
        m_resolved = step.resolved = true;
        return;
    }
    if (hasIpv4 || hasIpv6) {
        if (!m_otherFamily) {
            m_otherFamily = hasIpv4 ? TypeAaaa : TypeA;
            // The host heard both questions and answered one.
            if (m_addressesAskedAt)
                m_settleAt = *m_addressesAskedAt + mdns::kBurstGap;
        }
        if (m_settleAt) {
            if (now >= *m_settleAt)
                m_resolved = step.resolved = true;
            else
                step.wakeAt.push_back(*m_settleAt);
        } else if (const auto delivery = retryDue(m_otherFamilyRetry, now, portShared, step)) {
            step.questions.push_back({m_hostName, RecordType(*m_otherFamily), *delivery});
        }
        return;
    }
    if (const auto delivery = retryDue(m_addressRetry, now, portShared, step)) {
        step.questions.push_back({m_hostName, TypeA, *delivery});
        step.questions.push_back({m_hostName, TypeAaaa, *delivery});
    }
}
