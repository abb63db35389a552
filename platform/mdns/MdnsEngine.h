#pragma once

#include "platform/mdns/DnsMessage.h"
#include "platform/mdns/MdnsCache.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <limits>
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
// MdnsService. One engine serves all browsers and services of a process; it owns the record
// cache and decides what to ask, when, and what to report.
//
// It reads time only from `clock`, waits only through `timer` and touches the network only
// through `transport`, so a test drives it completely.
//
// On the wire:
// - accepts responses from port 5353 on the local link only; questions in responses, messages
//   with a non-zero opcode or response code and malformed records are ignored;
// - browse queries: the first after 2-12 ms, the second 1 s later, then at doubling intervals;
//   questions with ID 0, QM except for a browse's first question when no other program shares
//   the port (QU: responders answer it at once by unicast even if they multicast the records
//   less than a second ago, RFC 6762 §5.4); known answers of the records heard during this browse
//   with at least half their TTL left, continued in further messages with the TC bit; all questions
//   due within 10 ms share messages; a question another querier just asked with no known answer we
//   lack is not asked again (§7.3);
// - a browse reports an instance only when its PTR record arrives during the browse: cached
//   records never make a service appear, but they do complete a resolution;
// - resolution asks only for what the cache lacks, once no response has arrived for 20 ms (the
//   rest of a response split over several messages often brings it): SRV and TXT of the instance,
//   then A and AAAA of the SRV target. A host's addresses count as complete once both families (or
//   an NSEC record denying one) are cached; with one family only, the other is asked for and given
//   250 ms to arrive. The hosts of a large response (a responder for many hosts spreads its
//   answer over several messages) wait for the sender's next message, or 250 ms;
// - monitored TXT records are refreshed at 80/85/90/95 % of their TTL, and each real change of
//   the bytes is reported once;
// - bounded: 20,000 cached records, 10,000 services per browse, at most 8 query messages per
//   10 ms (a known-answer continuation is never cut), a message's work linear in its records.
//
// Signals of browsers and services are emitted from the engine's timer or datagram handling,
// never from inside a call made on them, and never for an object already stopped or destroyed.
// What a slot asks for (resolve, startMonitoring) is taken up right after the slot returns, so
// a service whose records arrived together is found, resolved and monitored within one message.
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

    static constexpr int MaxServicesPerBrowse = 10000;

    // `random()` gives uniformly distributed numbers (for the delays that keep queriers apart).
    MdnsEngine(MdnsTransport *transport, Clock *clock, OneShotTimer *timer,
               std::function<quint32()> random, QObject *parent = nullptr);
    ~MdnsEngine() override;

    const Statistics &statistics() const { return m_statistics; }
    const MdnsCache &cacheForTesting() const { return m_cache; }

    // For MdnsBrowser.
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

private:
    struct Browse {
        MdnsBrowser *browser = nullptr;
        QString type;
        QString domain;
        std::string typeName;
        std::string typeKey;
        qint64 startedAt = 0;
        qint64 nextQueryAt = 0;
        qint64 interval = 0;
        bool firstQuerySent = false;
        std::unordered_set<std::string> reported;
    };

    struct Retry {
        qint64 nextAt = 0;
        qint64 interval = 0;
    };

    struct Service {
        MdnsService *handle = nullptr;
        std::string instanceName;
        std::string instanceKey;
        bool resolving = false;
        bool resolved = false;
        bool monitoring = false;
        std::optional<std::string> lastTxt;
        std::string hostName;
        std::string hostKey;
        quint16 port = 0;
        qint64 settleAt = -1;
        Retry instanceRetry;
        Retry addressRetry;
        Retry txtRetry;
    };

    struct PendingQuestion {
        std::string name;
        uint16_t type = 0;
        qint64 dueAt = 0;
        bool unicastResponse = false;
        bool deferrable = false; // a resolution's question: may wait for a quiet moment
        qint64 askedAt = 0;
    };

    using QuestionKey = std::pair<std::string, uint16_t>;

    void onDatagram(const QByteArray &datagram, const QHostAddress &source, quint16 sourcePort,
                    int interfaceIndex);
    void onTimer();
    bool runDueTasks(qint64 now);
    void handleResponse(const dns::Message &message, qsizetype size, const QHostAddress &source,
                        int interfaceIndex, qint64 now);
    void handleQuery(const dns::Message &message, const QByteArray &datagram, qint64 now);
    void evaluate(int serviceId, qint64 now);
    void evaluateTxt(int serviceId, Service &service, qint64 now);
    void evaluateResolution(int serviceId, Service &service, qint64 now);
    void setHost(int serviceId, Service &service, const std::string &hostName, quint16 port);
    void markResolved(int serviceId, Service &service);
    bool askWithRetry(int serviceId, Retry &retry, qint64 now);
    void ask(const std::string &name, uint16_t type, qint64 dueAt, bool unicastResponse = false,
             bool deferrable = false);
    void requeue(PendingQuestion question, qint64 dueAt);
    void addTask(qint64 at, int serviceId, bool timeout);
    void sendDueQuestions(qint64 now);
    void transmit(const std::vector<uint8_t> &message, qint64 now);
    std::vector<dns::ResourceRecord> knownAnswers(const std::string &name, uint16_t type,
                                                  qint64 now) const;
    bool isAnswered(const std::string &name, uint16_t type, qint64 now) const;
    bool isOwnMessage(const QByteArray &datagram, qint64 now);
    void reportServices(int browseId, const std::vector<std::string> &instances);
    void flushNotices();
    void rearm();

    MdnsTransport *m_transport;
    Clock *m_clock;
    OneShotTimer *m_timer;
    std::function<quint32()> m_random;
    MdnsCache m_cache;
    Statistics m_statistics;

    int m_nextId = 1;
    std::map<int, Browse> m_browses;
    std::unordered_map<int, Service> m_services;
    std::unordered_multimap<std::string, int> m_servicesByInstance;
    std::unordered_multimap<std::string, int> m_servicesByHost;
    std::map<QuestionKey, PendingQuestion> m_pending;
    struct OpenHost {
        QString source; // the sender whose next message settles the host
        qint64 since = 0;
    };
    std::unordered_map<std::string, OpenHost> m_openHosts; // hosts of a large message
    std::multimap<qint64, std::pair<int, bool>> m_tasks;   // -> service, is its resolve time-out
    std::deque<std::pair<qint64, QByteArray>> m_recentlySent;
    std::vector<std::function<void()>> m_notices;
    qint64 m_nextSendAllowedAt = 0;
    qint64 m_lastResponseAt = std::numeric_limits<qint64>::min() / 2;
    std::optional<qint64> m_armedAt;
};
