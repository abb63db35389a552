// vindra-mdns-flood: the mDNS engine under a flood, on the fake transport and clock (no network).
// A browse of "_http._tcp" runs, and every service it finds is resolved and then monitored, as the
// discovery model does. Then:
//  1. 10,000 distinct services are announced at once: PTR, SRV, TXT and A of each, packed into
//     messages of up to 1400 bytes from one responder, all within 100 ms;
//  2. for 5 s, 20 messages a millisecond of noise: random bytes, cut copies of good messages,
//     records of other types and hosts, goodbyes, 9000-byte TXT records, compression loops,
//     other queriers' queries full of questions and known answers, answers from other ports and
//     from beyond the link.
// The datagrams arrive in groups, as many as the UDP transport reads per wake-up.
// Printed (one JSON object): services found, resolved and with TXT, the cache's size, peak RSS,
// and the longest stalls: one datagram, one wake-up's group, one timer event, in CPU time (and the
// group's wall time). The noise says goodbye to records of known services and brings them back,
// so some services end without a record they need: "whole" counts those whose PTR, SRV, TXT and A
// the last message that the engine took about each of them left in place (never taken away, or
// returned), "whole_resolved" those of them that resolved; the two must be equal.
//
//     vindra-mdns-flood [--services N] [--noise-seconds S]

#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsBrowser.h"
#include "platform/mdns/MdnsEngine.h"
#include "platform/mdns/UdpMdnsTransport.h"
#include "tests/support/MdnsFakes.h"

#include <QCoreApplication>
#include <QStringList>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{

using Wall = std::chrono::steady_clock;

// The stalls are this thread's CPU time: on a shared machine wall time also counts the time the
// scheduler gave to other processes. (The wake-up group's wall time is printed beside it.)
struct Cpu {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Cpu, duration>;
    static time_point now()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec));
    }
};

template<typename Duration>
double ms(Duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

QByteArray bytesOf(const dns::MessageWriter &writer)
{
    return QByteArray(reinterpret_cast<const char *>(writer.bytes().data()),
                      static_cast<qsizetype>(writer.size()));
}

dns::ResourceRecord record(const std::string &name, dns::RecordType type, uint32_t ttl)
{
    dns::ResourceRecord r;
    r.name = dns::nameFromDotted(name);
    r.type = type;
    r.ttl = ttl;
    r.cacheFlush = type != dns::TypePtr;
    return r;
}

// The records of service i, answers first: PTR, then SRV, TXT and A.
std::vector<dns::ResourceRecord> service(int i, const std::string &type = "_http._tcp.local")
{
    const std::string label = "Tulvo TC-100 " + std::to_string(i);
    const std::string host = "cam-" + std::to_string(i) + ".local";
    dns::ResourceRecord ptr = record(type, dns::TypePtr, 4500);
    ptr.target = dns::nameFromDotted(label + "." + type);
    dns::ResourceRecord srv = record(label + "." + type, dns::TypeSrv, 120);
    srv.target = dns::nameFromDotted(host);
    srv.port = 80;
    dns::ResourceRecord txt = record(label + "." + type, dns::TypeTxt, 4500);
    const std::string entries[] = {"vender=tulvo", "macaddress=02a0de" + std::to_string(i),
                                   "model=TC-100", "device=camera"};
    for (const std::string &entry : entries)
        txt.rdata += char(entry.size()) + entry;
    dns::ResourceRecord a = record(host, dns::TypeA, 120);
    a.rdata = {char(198), char(18), char(4 + i / 256), char(i % 256)};
    return {ptr, srv, txt, a};
}

// Records packed into responses of up to 1400 bytes.
std::vector<QByteArray> responses(const std::vector<dns::ResourceRecord> &records)
{
    std::vector<QByteArray> messages;
    auto writer = std::make_unique<dns::MessageWriter>(1400, 0, 0x8400);
    for (const dns::ResourceRecord &r : records) {
        if (writer->addAnswer(r))
            continue;
        messages.push_back(bytesOf(*writer));
        writer = std::make_unique<dns::MessageWriter>(1400, 0, 0x8400);
        writer->addAnswer(r);
    }
    messages.push_back(bytesOf(*writer));
    return messages;
}

// Whether each service's PTR, SRV, TXT and A record is in place after the messages so far.
class Wholeness
{
public:
    explicit Wholeness(int count)
        : m_live(size_t(count), {true, true, true, true})
    {
        for (int i = 0; i < count; ++i) {
            const auto records = service(i);
            m_index[dns::nameKey(records[1].name)] = i;
            m_index[dns::nameKey(records[3].name)] = i;
        }
    }

    // A datagram the engine takes as a response (from 5353 on the link).
    void take(const QByteArray &datagram)
    {
        const auto message = dns::parseMessage(
            reinterpret_cast<const uint8_t *>(datagram.constData()), size_t(datagram.size()));
        if (!message || !message->isResponse() || !message->isStandard())
            return;
        for (const auto *section :
             {&message->answers, &message->authorities, &message->additionals}) {
            for (const dns::ResourceRecord &r : *section) {
                const int kind = r.type == dns::TypePtr   ? 0
                                 : r.type == dns::TypeSrv ? 1
                                 : r.type == dns::TypeTxt ? 2
                                 : r.type == dns::TypeA   ? 3
                                                          : -1;
                const auto found =
                    kind < 0 ? m_index.end() : m_index.find(dns::nameKey(kind ? r.name : r.target));
                if (found != m_index.end())
                    m_live[size_t(found->second)][size_t(kind)] = r.ttl != 0;
            }
        }
    }

    bool isWhole(int i) const
    {
        const auto &live = m_live[size_t(i)];
        return std::all_of(live.begin(), live.end(), [](bool b) { return b; });
    }

private:
    std::vector<std::array<bool, 4>> m_live;
    std::unordered_map<std::string, int> m_index; // instance and host name keys
};

struct Stalls {
    double datagram = 0;
    double wakeup = 0;
    double timer = 0;
    double wakeupWall = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count =
        args.contains("--services") ? args.value(args.indexOf("--services") + 1).toInt() : 10000;
    const int noiseSeconds = args.contains("--noise-seconds")
                                 ? args.value(args.indexOf("--noise-seconds") + 1).toInt()
                                 : 5;

    FakeTransport transport;
    FakeTime time;
    std::mt19937 random(7);
    // One timer event of the engine: from a slot connected before its own to one after it.
    Cpu::time_point timerStarted;
    QObject::connect(&time, &OneShotTimer::timeout, [&] { timerStarted = Cpu::now(); });
    MdnsEngine engine(&transport, &time, &time, [&random] { return quint32(random()); });
    transport.offLink.insert(QHostAddress("198.19.7.7"));

    int found = 0, resolved = 0, withTxt = 0;
    std::vector<bool> resolvedByIndex(size_t(count), false);
    Wholeness wholeness(count);
    std::vector<std::shared_ptr<DnsSdService>> services;
    MdnsBrowser browser(&engine);
    QObject::connect(&browser, &DnsSdBrowser::serviceFound,
                     [&](std::shared_ptr<DnsSdService> s, bool) {
                         ++found;
                         DnsSdService *raw = s.get();
                         QObject::connect(raw, &DnsSdService::resolved, [&, raw] {
                             ++resolved;
                             const int index = raw->name().section(u' ', -1).toInt();
                             if (index >= 0 && index < count)
                                 resolvedByIndex[size_t(index)] = true;
                             raw->startMonitoring();
                         });
                         auto reported = std::make_shared<bool>(false);
                         QObject::connect(raw, &DnsSdService::txtRecordChanged, [&, reported] {
                             if (!std::exchange(*reported, true))
                                 ++withTxt;
                         });
                         raw->resolve(10);
                         services.push_back(std::move(s));
                     });

    Stalls stalls;
    QObject::connect(&time, &OneShotTimer::timeout,
                     [&] { stalls.timer = std::max(stalls.timer, ms(Cpu::now() - timerStarted)); });
    std::vector<QByteArray> group;
    std::vector<std::pair<QHostAddress, quint16>> from;
    std::vector<int> kinds;        // per datagram: the noise kind (0-9), 10 announcement
    double slowestByKind[11] = {}; // the longest datagram of each kind, CPU ms
    int kind = 10;
    auto flush = [&] {
        const auto start = Cpu::now();
        const auto wallStart = Wall::now();
        for (size_t i = 0; i < group.size(); ++i) {
            const auto one = Cpu::now();
            transport.deliver(group[i], from[i].first, from[i].second);
            stalls.datagram = std::max(stalls.datagram, ms(Cpu::now() - one));
            double &slowest = slowestByKind[kinds[i]];
            slowest = std::max(slowest, ms(Cpu::now() - one));
        }
        stalls.wakeup = std::max(stalls.wakeup, ms(Cpu::now() - start));
        stalls.wakeupWall = std::max(stalls.wakeupWall, ms(Wall::now() - wallStart));
        group.clear();
        from.clear();
        kinds.clear();
    };
    auto receive = [&](QByteArray datagram, const QHostAddress &source = QHostAddress("198.18.0.2"),
                       quint16 port = 5353) {
        if (source == QHostAddress("198.18.0.2") && port == 5353)
            wholeness.take(datagram);
        group.push_back(std::move(datagram));
        from.emplace_back(source, port);
        kinds.push_back(kind);
        if (group.size() == UdpMdnsTransport::kMaxDatagramsPerWakeup)
            flush();
    };
    auto step = [&](qint64 by) {
        flush();
        time.advance(by);
    };

    const auto began = Wall::now();
    browser.searchForServicesOfType("_http._tcp", QString());
    step(20);
    transport.sent.clear();

    // 1. Everything at once: the PTRs first, then the rest, as a responder answers a browse.
    std::vector<dns::ResourceRecord> pointers, rest;
    for (int i = 0; i < count; ++i) {
        auto records = service(i);
        pointers.push_back(records[0]);
        rest.insert(rest.end(), records.begin() + 1, records.end());
    }
    pointers.insert(pointers.end(), rest.begin(), rest.end());
    const std::vector<QByteArray> announcement = responses(pointers);
    const size_t perMs = announcement.size() / 100 + 1;
    for (size_t i = 0; i < announcement.size(); ++i) {
        receive(announcement[i]);
        if (i % perMs == perMs - 1)
            step(1);
    }
    step(1);
    const double announceMs = ms(Wall::now() - began);
    const int foundAfterAnnouncement = found;
    auto peakRss = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    const long rssAfterAnnouncement = peakRss();

    // 2. Noise, while the browse goes on.
    const std::vector<QByteArray> other = responses(service(count + 1, "_other._tcp.local"));
    std::uniform_int_distribution<int> byte(0, 255);
    quint64 noise = 0;
    for (int t = 0; t < noiseSeconds * 1000; ++t) {
        for (int k = 0; k < 20; ++k, ++noise) {
            const int i = int(random() % unsigned(count));
            QByteArray datagram;
            kind = int(random() % 10);
            switch (kind) {
            case 0: // random bytes
                datagram.resize(12 + random() % 1400);
                for (char &c : datagram)
                    c = char(byte(random));
                break;
            case 1: // a good message, cut short
                datagram = announcement[random() % announcement.size()];
                datagram.truncate(qsizetype(random() % unsigned(datagram.size())));
                break;
            case 2: // another type's records
                datagram = other[random() % other.size()];
                break;
            case 3: { // records of hosts nobody asked about
                std::vector<dns::ResourceRecord> records;
                for (int h = 0; h < 40; ++h)
                    records.push_back(service(count + 100 + int(random() % 100000))[3]);
                datagram = responses(records).front();
                break;
            }
            case 4: { // goodbyes and returns of known services
                auto records = service(i);
                for (auto &r : records)
                    r.ttl = random() % 2 ? 0 : r.ttl;
                datagram = responses(records).front();
                break;
            }
            case 5: { // an oversized TXT record
                auto records = service(i);
                records[2].rdata = std::string(8900, 'x');
                dns::MessageWriter writer(9000, 0, 0x8400);
                writer.addAnswer(records[2]);
                datagram = bytesOf(writer);
                break;
            }
            case 6: { // a name that points at itself
                datagram = QByteArray::fromHex("0000840000000001000000"   // header
                                               "c00c000c00010000119400"); // name -> offset 12
                break;
            }
            case 7: { // another querier's query: many questions, many known answers
                dns::MessageWriter writer(1400, 0, 0);
                for (int q = 0; q < 20; ++q) {
                    const auto records = service(int(random() % unsigned(count)));
                    writer.addQuestion({records[q % 2 ? 1 : 3].name, records[q % 2 ? 1 : 3].type,
                                        dns::kClassIn, false});
                }
                writer.addQuestion(
                    {dns::nameFromDotted("_http._tcp.local"), dns::TypePtr, dns::kClassIn, false});
                for (int p = 0; p < 30; ++p)
                    writer.addAnswer(service(int(random() % unsigned(count)))[0]);
                datagram = bytesOf(writer);
                break;
            }
            case 8: // a good answer from another port
                receive(announcement[random() % announcement.size()], QHostAddress("198.18.0.2"),
                        5354);
                continue;
            default: // and from beyond the link
                receive(announcement[random() % announcement.size()], QHostAddress("198.19.7.7"));
                continue;
            }
            receive(std::move(datagram));
        }
        step(1);
    }
    step(10000); // the browse's and resolutions' later rounds
    const double totalMs = ms(Wall::now() - began);
    int whole = 0, wholeResolved = 0;
    for (int i = 0; i < count; ++i) {
        if (wholeness.isWhole(i)) {
            ++whole;
            wholeResolved += resolvedByIndex[size_t(i)] ? 1 : 0;
        }
    }

    std::printf("{\"services\":%d,\"announcement_messages\":%zu,\"found\":%d,\"found_after_"
                "announcement\":%d,\"resolved\":%d,\"with_txt\":%d,\"whole\":%d,\"whole_resolved\":"
                "%d,\"noise_messages\":%llu,"
                "\"cache\":%zu,\"peak_rss_kb\":%ld,\"peak_rss_after_announcement_kb\":%ld,"
                "\"announce_ms\":%.1f,\"total_ms\":%.1f,"
                "\"stall_datagram_ms\":%.2f,\"stall_wakeup_ms\":%.2f,\"stall_timer_ms\":%.2f,"
                "\"stall_wakeup_wall_ms\":%.2f,"
                "\"queries_sent\":%lld}\n",
                count, announcement.size(), found, foundAfterAnnouncement, resolved, withTxt, whole,
                wholeResolved, static_cast<unsigned long long>(noise),
                engine.cacheForTesting().size(), peakRss(), rssAfterAnnouncement, announceMs,
                totalMs, stalls.datagram, stalls.wakeup, stalls.timer, stalls.wakeupWall,
                static_cast<long long>(engine.statistics().packetsSent));
    std::printf("{\"slowest_datagram_ms_by_kind\":[");
    for (int k = 0; k < 11; ++k)
        std::printf("%s%.2f", k ? "," : "", slowestByKind[k]);
    std::printf("]}\n"); // random, cut, other type, unasked hosts, goodbyes, 9000-byte TXT,
                         // pointer loop, others' queries, other port, beyond the link, announcement
    return 0;
}
