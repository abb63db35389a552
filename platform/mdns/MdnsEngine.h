#pragma once

#include "platform/DnsSd.h"
#include "platform/mdns/DnsMessage.h"
#include "platform/mdns/MdnsBrowseSchedule.h"
#include "platform/mdns/MdnsCache.h"
#include "platform/mdns/MdnsDuplicateQuestions.h"
#include "platform/mdns/MdnsNoticePump.h"
#include "platform/mdns/MdnsQueryScheduler.h"
#include "platform/mdns/MdnsResolution.h"
#include "platform/mdns/MdnsResponseIntake.h"
#include "platform/mdns/MdnsServiceTable.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class MdnsBrowser;
class Clock;
class MdnsService;
class OneShotTimer;
class MdnsTransport;

// The multicast DNS querier and DNS-SD client (RFC 6762, RFC 6763) behind MdnsBrowser and
// MdnsService, and their handle API. One engine serves all browsers and services of a process; it
// owns the record cache and joins the parts that decide what to ask, when, and what to report:
// MdnsResponseIntake (records in, split responses), MdnsDuplicateQuestions, MdnsBrowseSchedule
// (one per browse), MdnsServiceTable with an MdnsResolution per service, MdnsKnownAnswers,
// MdnsQueryScheduler (questions out) and MdnsNoticePump (signals out).
//
// It reads time only from `clock`, waits only through `timer` and touches the network only
// through `transport`, so a test drives it completely.
//
// - Accepts responses from port 5353 on the local link only; messages with a non-zero opcode or
//   response code are ignored, and so are malformed records.
// - A resolution's questions (SRV, TXT, A, AAAA) ask for unicast answers (QU) on their first
//   transmission while no other program shares the port, for multicast answers otherwise; see
//   MdnsResolution.
// - A browse reports an instance only when its PTR record arrives during the browse: cached
//   records never make a service appear, but they do complete a resolution. Its known answers are
//   the records heard during this browse with at least half their TTL left.
// - Monitored TXT records are refreshed at 80/85/90/95 % of their TTL.
// - Bounded: 50,000 cached records (five for each of the 10,000 services a browse may hold),
//   10,000 services per browse, a message's work linear in its records, at most 256 services
//   looked at again per round of a timer event.
//
// Signals of browsers and services are emitted from the engine's timer or datagram handling,
// never from inside a call made on them, and never for an object already stopped or destroyed.
class MdnsEngine : public QObject
{
    Q_OBJECT
public:
    struct Statistics {
        quint64 packetsSent = 0;
        quint64 bytesSent = 0;
        quint64 questionsSent = 0;
        quint64 packetsReceived = 0;
        quint64 packetsIgnored = 0;
    };

    static constexpr int kMaxServicesPerBrowse = 10000;
    static constexpr size_t kMaxCachedRecords = 50000;

    // `random()` gives uniformly distributed numbers (for the delays that keep queriers apart).
    MdnsEngine(MdnsTransport *transport, Clock *clock, OneShotTimer *timer,
               std::function<quint32()> random, QObject *parent = nullptr);
    ~MdnsEngine() override;

    const Statistics &statistics() const { return m_statistics; }
    const MdnsCache &cacheForTesting() const { return m_cache; }

    // For MdnsBrowser.
    DnsSdSocketReport socketReport() const;
    int startBrowse(MdnsBrowser *browser, const QString &type, const QString &domain);
    void stopBrowse(int browseId);

    // For MdnsService.
    int addService(MdnsService *service, const std::string &instanceName);
    void removeService(int serviceId);
    void resolve(int serviceId, double timeoutSeconds);
    void startMonitoring(int serviceId);
    QList<QByteArray> addresses(int serviceId) const;
    QString hostName(int serviceId) const;
    quint16 port(int serviceId) const;

Q_SIGNALS:
    void socketReportChanged();

private:
    struct Browse {
        MdnsBrowser *browser = nullptr;
        QString type;
        QString domain;
        std::string typeName;
        std::string typeKey;
        qint64 startedAt = 0;
        MdnsBrowseSchedule schedule;
        std::unordered_set<std::string> reported;
    };

    void onDatagram(const QByteArray &datagram, const QHostAddress &source, quint16 sourcePort,
                    int interfaceIndex);
    void onTimer();
    bool runDueWakeUps(qint64 now);
    void handleResponse(const dns::Message &message, qsizetype size, const QHostAddress &source,
                        int interfaceIndex, qint64 now);
    void handleQuery(const dns::Message &message, const QByteArray &datagram, qint64 now);
    void evaluate(int serviceId, qint64 now);
    void ask(const std::string &name, dns::RecordType type, qint64 dueAt,
             mdns::Delivery delivery = mdns::Delivery::multicast,
             mdns::Pace pace = mdns::Pace::whenDue);
    void sendDueQuestions(qint64 now);
    // Tells the resolutions of the instance or host `key` that a question for it went out.
    void questionSent(const std::string &key, uint16_t type, mdns::Delivery delivery, qint64 now);
    // Records received before then are not known answers of the question (see MdnsKnownAnswers).
    qint64 heardSince(const std::string &name, uint16_t type) const;
    void reportServices(int browseId, const std::vector<std::string> &instances);
    template<typename Signal, typename... Args>
    void notify(int serviceId, Signal signal, Args... args);
    void flushNotices();
    void rearm();

    MdnsTransport *m_transport;
    Clock *m_clock;
    OneShotTimer *m_timer;
    std::function<quint32()> m_random;
    MdnsCache m_cache{kMaxCachedRecords};
    MdnsResponseIntake m_intake{m_cache};
    MdnsDuplicateQuestions m_duplicates;
    MdnsQueryScheduler m_scheduler;
    MdnsNoticePump m_notices;
    Statistics m_statistics;

    int m_nextId = 1;
    std::map<int, Browse> m_browses;
    MdnsServiceTable m_services{m_cache};
    std::optional<qint64> m_armedAt;
};
