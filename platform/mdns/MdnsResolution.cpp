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

// Responders hold multicast answers back by up to 120 ms (RFC 6762 §6).
constexpr qint64 kMulticastHoldBack = 120;
constexpr qint64 kFirstRetryInterval = 1000;
constexpr qint64 kMaxRetryInterval = 60 * 1000;

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
    m_settleAt.reset();
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

std::optional<qint64> MdnsResolution::questionSent(uint16_t type, mdns::Delivery delivery,
                                                   qint64 now)
{
    if (!m_resolving || m_resolved || m_otherFamily != type || m_settleAt)
        return std::nullopt;
    m_settleAt =
        now + mdns::kBurstGap + (delivery == mdns::Delivery::unicast ? 0 : kMulticastHoldBack);
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
                                              qint64 now)
{
    Step step;
    if (m_monitoring)
        evaluateTxt(cache, now, step);
    if (m_resolving && !m_resolved)
        evaluateResolution(cache, intake, now, step);
    return step;
}

bool MdnsResolution::retryDue(Retry &retry, qint64 now, Step &step)
{
    if (retry.nextAt && now < *retry.nextAt)
        return false;
    retry.interval =
        retry.interval == 0 ? kFirstRetryInterval : std::min(retry.interval * 2, kMaxRetryInterval);
    retry.nextAt = now + retry.interval;
    step.wakeAt.push_back(*retry.nextAt);
    return true;
}

void MdnsResolution::evaluateTxt(const MdnsCache &cache, qint64 now, Step &step)
{
    const MdnsCache::Entry *txt = cache.newest(m_instanceName, TypeTxt, now);
    if (txt == nullptr) {
        if (retryDue(m_txtRetry, now, step))
            step.questions.emplace_back(m_instanceName, TypeTxt);
        return;
    }
    if (m_lastTxt && *m_lastTxt == txt->record.rdata)
        return;
    m_lastTxt = txt->record.rdata;
    step.txtChanged = QByteArray::fromStdString(txt->record.rdata);
}

void MdnsResolution::evaluateResolution(const MdnsCache &cache, MdnsResponseIntake &intake,
                                        qint64 now, Step &step)
{
    const MdnsCache::Entry *srv = cache.newest(m_instanceName, TypeSrv, now);
    if (srv == nullptr) {
        if (retryDue(m_instanceRetry, now, step)) {
            step.questions.emplace_back(m_instanceName, TypeSrv);
            if (cache.newest(m_instanceName, TypeTxt, now) == nullptr)
                step.questions.emplace_back(m_instanceName, TypeTxt);
        }
        return;
    }
    m_port = srv->record.port;
    if (const std::string key = nameKey(srv->record.target); key != m_hostKey) {
        m_hostName = srv->record.target;
        m_hostKey = key;
        m_otherFamily.reset();
        m_settleAt.reset();
        m_addressRetry = {};
    }

    const bool hasIpv4 = cache.newest(m_hostName, TypeA, now) != nullptr;
    const bool hasIpv6 = cache.newest(m_hostName, TypeAaaa, now) != nullptr;
    bool noIpv4 = false;
    bool noIpv6 = false;
    if (const MdnsCache::Entry *nsec = cache.newest(m_hostName, TypeNsec, now)) {
        const auto &types = nsec->record.nsecTypes;
        noIpv4 = std::find(types.begin(), types.end(), TypeA) == types.end();
        noIpv6 = std::find(types.begin(), types.end(), TypeAaaa) == types.end();
    }
    if (const auto openUntil = intake.openUntil(m_hostKey, now)) {
        step.wakeAt.push_back(*openUntil);
        return; // more of the host's addresses may be on their way
    }
    if ((hasIpv4 || hasIpv6) && (hasIpv4 || noIpv4) && (hasIpv6 || noIpv6)) {
        m_resolved = step.resolved = true;
        return;
    }
    if (hasIpv4 || hasIpv6) {
        if (!m_otherFamily) {
            m_otherFamily = hasIpv4 ? TypeAaaa : TypeA;
            step.questions.emplace_back(m_hostName, RecordType(*m_otherFamily));
        } else if (m_settleAt && now >= *m_settleAt) {
            m_resolved = step.resolved = true;
        }
        return;
    }
    if (retryDue(m_addressRetry, now, step)) {
        step.questions.emplace_back(m_hostName, TypeA);
        step.questions.emplace_back(m_hostName, TypeAaaa);
    }
}
