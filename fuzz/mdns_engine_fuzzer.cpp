// libFuzzer target: the whole mDNS querier on the fake transport and clock, driven through the
// conversation runner of the engine's tests. The input becomes steps: raw datagrams and built
// responses and queries (any source, port, interface) over a small name space, time steps, and
// browse / stop / destroy / resolve / monitor / release calls. After every step: the cache within
// its bound, no signal from inside a call, for a stopped browse or for a request never made, and
// a datagram's work bounded.
#include "tests/support/MdnsConversation.h"

#include <chrono>
#include <cstdlib>

namespace
{

struct Input {
    const uint8_t *data;
    size_t size;
    uint8_t next() { return size == 0 ? 0 : (--size, *data++); }
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// One record of a small name space, 4 instances and 4 hosts, as a conversation token.
QString token(uint8_t kind, uint8_t value)
{
    const QString instance = QStringLiteral("cam%1").arg(kind >> 3 & 3);
    const QString host = QStringLiteral("host%1").arg(value & 3);
    const QString ttl = (value & 0x40) ? "/0" : (value & 0x80) ? "/120" : "";
    switch (kind & 7) {
    case 0:
        return "ptr:" + instance + ttl;
    case 1:
        return "srv:" + instance + ">" + host + ":" + QString::number(value);
    case 2:
        return "txt:" + instance + "=" + QString(1 + (value & 7), QChar(u'a' + (value >> 3 & 7))) +
               ttl;
    case 3:
        return "a:" + host + "=169.254.0." + QString::number(value) + ttl;
    case 4:
        return "a:" + host + "=fe80::" + QString::number(value & 0x1f, 16) + ttl;
    default:
        return "nsec:" + host + ((value & 1) ? "=A" : "=A,AAAA");
    }
}

QString question(uint8_t kind, uint8_t value, bool unicast)
{
    static const char *const kinds[] = {"ptr", "srv:", "txt:", "a:", "aaaa:"};
    const int k = (kind & 7) % 5;
    const QString name = k == 0   ? ""
                         : k <= 2 ? QStringLiteral("cam%1").arg(kind >> 3 & 3)
                                  : QStringLiteral("host%1").arg(value & 3);
    return kinds[k] + name + (unicast ? "(QU)" : "");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in{data, size};
    Conversation c;
    static const char *const sources[] = {"169.254.1.1", "fe80::1", "198.18.0.1", "198.19.7.7"};
    while (in.size > 0) {
        const uint8_t op = in.next() % 9;
        const uint8_t a = in.next();
        const uint8_t b = in.next();
        const QString origin = QStringLiteral(" from=%1 port=%2 iface=%3")
                                   .arg(sources[a >> 6], (a & 0x20) ? "5300" : "5353")
                                   .arg((b >> 4) % 3);
        QString step;
        if (op == 0) {
            const size_t length = std::min<size_t>(in.size, size_t(a) << 4 | (b & 0xf));
            step = "raw " +
                   QByteArray(reinterpret_cast<const char *>(in.data), qsizetype(length)).toHex() +
                   origin;
            in.data += length;
            in.size -= length;
        } else if (op == 1) {
            step = (a & 1) ? "ask" : "<";
            for (int i = 0, n = b % 12; i < n; ++i) {
                const uint8_t kind = in.next(), value = in.next();
                step +=
                    ' ' + ((a & 1) && i == 0 ? question(kind, value, a & 2) : token(kind, value));
                if ((a & 1) && i == 0)
                    step += " |";
            }
            step += origin + ((a & 4) ? " pad=50" : "") + ((a & 8) ? " flush=0" : "");
        } else if (op == 2) {
            step = QStringLiteral("+%1").arg((a & 0x80) ? qint64(a & 0x7f) * 60000
                                                        : qint64(a) * (b + 1));
        } else if (op == 3) {
            step = (b & 2)   ? "browse _http._tcp example."
                   : (b & 1) ? "browse _other._tcp"
                             : "browse";
        } else {
            static const char *const calls[] = {"stop", "unbrowse", "resolve", "monitor", "drop"};
            step = QStringLiteral("%1 %2 %3").arg(calls[op - 4]).arg(a % 64).arg(b / 16.0);
        }
        const auto start = std::chrono::steady_clock::now();
        c.run(step); // a step on a missing service or browser is refused, nothing more
        const auto took = std::chrono::steady_clock::now() - start;
        if (op <= 1)
            check(took < std::chrono::milliseconds(250 + step.size() / 8));
        for (const QString &event : c.takeEvents())
            check(!event.startsWith("inside-call:") && !event.startsWith("after-stop:") &&
                  !event.startsWith("unasked:"));
        check(c.engine.cacheForTesting().size() <= MdnsEngine::kMaxCachedRecords);
        c.transport.sent.clear();
    }
    return 0;
}
