// libFuzzer target: the whole mDNS querier on the fake transport and clock. The input is a
// script of steps: raw datagrams (any source, port, interface), responses and queries built from
// a few bytes over a small name space, time steps, and browse / stop / destroy / resolve /
// monitor / release calls. After every step: the cache within its bound, no signal from inside
// a call, for a stopped browser or for a request never made, and a datagram's work bounded.
#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsBrowser.h"
#include "platform/mdns/MdnsEngine.h"
#include "tests/support/MdnsFakes.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

namespace
{

struct Script {
    const uint8_t *data;
    size_t size;
    uint8_t next() { return size == 0 ? 0 : (--size, *data++); }
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// One record of a small name space: 4 instances of two types, 4 hosts.
dns::ResourceRecord record(uint8_t kind, uint8_t value)
{
    const std::string type = (kind & 0x80) ? "_other._tcp.local" : "_http._tcp.local";
    const std::string instance = "cam" + std::to_string(kind >> 3 & 3) + "." + type;
    const std::string host = "host" + std::to_string(value & 3) + ".local";
    dns::ResourceRecord r;
    r.ttl = (value & 0x40) ? 0 : (value & 0x80) ? 120 : 4500;
    r.cacheFlush = (value & 0x20) != 0;
    switch (kind & 7) {
    case 0:
        r.type = dns::TypePtr;
        r.cacheFlush = false;
        break;
    case 1:
        r.type = dns::TypeSrv;
        r.port = value;
        break;
    case 2:
        r.type = dns::TypeTxt;
        r.rdata = std::string(1 + (value & 7), char(value));
        break;
    case 3:
        r.type = dns::TypeA;
        r.rdata = {char(169), char(254), 0, char(value)};
        break;
    case 4:
        r.type = dns::TypeAaaa;
        r.rdata = std::string(16, char(value & 0x1f));
        break;
    default:
        r.type = dns::TypeNsec;
        r.rdata = std::string("\0\0\x04\x40\0\0\x08", 7);
    }
    r.name = dns::nameFromDotted((kind & 7) == 0 ? type : (kind & 7) <= 2 ? instance : host);
    r.target = dns::nameFromDotted((kind & 7) == 0 ? instance : host);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Script in{data, size};
    FakeTransport transport;
    FakeTime time;
    quint32 seed = 1;
    MdnsEngine engine(&transport, &time, &time,
                      [&seed] { return seed = seed * 1103515245 + 12345; });
    const QHostAddress sources[] = {QHostAddress("169.254.1.1"), QHostAddress("fe80::1"),
                                    QHostAddress("198.18.0.1"), QHostAddress("2001:db8::9")};
    transport.offLink.insert(sources[3]);
    bool inCall = false;
    std::unique_ptr<MdnsBrowser> browsers[3];
    bool stopped[3] = {};
    struct Held {
        std::shared_ptr<DnsSdService> service;
        bool resolving = false;
        bool monitoring = false;
    };
    std::vector<std::unique_ptr<Held>> services;

    while (in.size > 0) {
        const uint8_t op = in.next() % 9;
        const uint8_t a = in.next();
        const uint8_t b = in.next();
        inCall = true;
        if (op <= 1) {
            QByteArray datagram;
            if (op == 0) {
                const size_t length = std::min<size_t>(in.size, size_t(a) << 4 | (b & 0xf));
                datagram = QByteArray(reinterpret_cast<const char *>(in.data), qsizetype(length));
                in.data += length;
                in.size -= length;
            } else {
                dns::MessageWriter writer(9000, 0, (a & 1) ? 0 : dns::kFlagResponse);
                for (int i = 0, n = b % 12; i < n; ++i) {
                    const dns::ResourceRecord r = record(in.next(), in.next());
                    if ((a & 1) && i == 0)
                        writer.addQuestion({r.name, r.type, dns::kClassIn, (a & 2) != 0});
                    else
                        writer.addAnswer(r);
                }
                dns::ResourceRecord padding = record(0x92, 0);
                padding.rdata.resize(1400, 'x'); // a response split over several messages
                if (a & 4)
                    writer.addAdditional(padding);
                datagram = QByteArray(reinterpret_cast<const char *>(writer.bytes().data()),
                                      qsizetype(writer.size()));
            }
            inCall = false;
            const auto start = std::chrono::steady_clock::now();
            transport.deliver(datagram, sources[a >> 6], (a & 0x20) ? 5300 : 5353, (b >> 4) % 3);
            const auto took = std::chrono::steady_clock::now() - start;
            check(took < std::chrono::milliseconds(250 + datagram.size() / 4));
        } else if (op == 2) {
            inCall = false;
            time.advance((a & 0x80) ? qint64(a & 0x7f) * 60000 : qint64(a) * (b + 1));
        } else if (op <= 5) {
            const int k = a % 3;
            if (op == 3) {
                if (!browsers[k]) {
                    browsers[k] = std::make_unique<MdnsBrowser>(&engine);
                    QObject::connect(
                        browsers[k].get(), &DnsSdBrowser::serviceFound,
                        [&, k](std::shared_ptr<DnsSdService> service, bool) {
                            check(!inCall && !stopped[k]);
                            auto held = std::make_unique<Held>();
                            held->service = std::move(service);
                            Held *h = held.get();
                            auto ok = [&inCall](bool asked) { check(!inCall && asked); };
                            QObject::connect(h->service.get(), &DnsSdService::resolved,
                                             [=] { ok(h->resolving); });
                            QObject::connect(h->service.get(), &DnsSdService::resolveFailed,
                                             [=] { ok(h->resolving); });
                            QObject::connect(h->service.get(), &DnsSdService::txtRecordChanged,
                                             [=] { ok(h->monitoring); });
                            if (services.size() < 64)
                                services.push_back(std::move(held));
                        });
                }
                stopped[k] = false;
                browsers[k]->searchForServicesOfType((b & 1) ? "_other._tcp" : "_http._tcp",
                                                     (b & 2) ? "example." : "");
            } else if (op == 4 && browsers[k]) {
                browsers[k]->stop();
                stopped[k] = true;
            } else if (op == 5) {
                browsers[k].reset();
            }
        } else if (!services.empty()) {
            const size_t s = a % services.size();
            if (op == 6) {
                services[s]->resolving = true;
                services[s]->service->resolve(b / 16.0);
            } else if (op == 7) {
                services[s]->monitoring = true;
                services[s]->service->startMonitoring();
            } else {
                services.erase(services.begin() + qsizetype(s));
            }
        }
        inCall = false;
        check(engine.cacheForTesting().size() <= 20000);
    }
    return 0;
}
