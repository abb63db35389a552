#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsBrowser.h"
#include "platform/mdns/MdnsCache.h"
#include "platform/mdns/MdnsEngine.h"
#include "tests/support/MdnsFakes.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <map>
#include <memory>

// Scripted conversations with the mDNS engine on the fake transport and clock. A script is a list
// of steps separated by ";", run in order; run() returns the first step whose check failed, with
// what it saw, or nothing.
//
//   browse / stop / unbrowse / alone      search "_http._tcp" / stop / destroy the browser / no
//                                         other stack shares port 5353 (QU allowed)
//   +N                                    the clock moves N ms (the timer fires on the way)
//   < RECORDS [| ADDITIONALS] [from=IP port=N flags=HEX iface=N pad=N q=QUESTION]
//                                         a response; pad=N adds N other PTRs (a large message)
//   ask QUESTION [| KNOWN] [from=IP]      another querier's query
//   resolve I [SECONDS] / monitor I / drop I
//                                         calls on the I-th found service (0-based)
//   when-found stop|resolve               what the slot for a new service does (resolve: resolve
//   it,
//                                         and monitor it once resolved)
//   when-txt I drop J                     the I-th service's TXT slot drops the J-th
//   echo / clear                          our last query comes back / forget the signals so far
//   ? QUESTIONS [| KNOWN]                 the questions sent since the last check, sorted; with
//                                         "|" also their known answers, sorted
//   = EVENTS                              the signals since the last check, in order
//   addresses I IP... / host I NAME PORT / cached RECORD N
//
// Records: ptr:cam[/TTL], srv:cam>host[:PORT], txt:cam=k=v,x=y[/TTL], a:host=IP[/TTL] (A or
// AAAA by the address), nsec:host=A,AAAA (the types it lists). Instances are of "_http._tcp.local",
// hosts of "local". Questions: ptr, srv:cam, txt:cam, a:host, aaaa:host. Events: found:cam (with
// "+" when more are coming), resolved:cam, failed:cam, txt:cam=k=v; "inside-call:..." marks a
// signal that came from inside a call.
class Conversation
{
public:
    FakeTransport transport;
    FakeTime time;
    MdnsEngine engine{&transport, &time, &time, [] { return 0u; }};
    std::unique_ptr<MdnsBrowser> browser;
    std::vector<std::shared_ptr<DnsSdService>> found;

    Conversation() { transport.offLink.insert(QHostAddress("198.19.7.7")); }

    QString run(const QString &script)
    {
        const QStringList steps = script.split(u';', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString error =
                steps[i].trimmed().isEmpty() ? QString() : step(steps[i].trimmed());
            if (!error.isEmpty())
                return QStringLiteral("step %1 \"%2\": %3")
                    .arg(i + 1)
                    .arg(steps[i].trimmed(), error);
        }
        return {};
    }

    static std::string instance(const QString &label)
    {
        return dns::nameFromDotted((label + QStringLiteral("._http._tcp.local")).toStdString());
    }
    static std::string host(const QString &label)
    {
        return dns::nameFromDotted((label + QStringLiteral(".local")).toStdString());
    }

    static dns::ResourceRecord record(const QString &token)
    {
        using namespace dns;
        QString kind = token.section(u':', 0, 0);
        QString rest = token.section(u':', 1);
        ResourceRecord r;
        r.cacheFlush = kind != "ptr";
        r.ttl = kind == "ptr" || kind == "txt" ? 4500 : 120;
        if (const qsizetype slash = rest.lastIndexOf(u'/'); slash > 0 && kind != "srv") {
            r.ttl = rest.mid(slash + 1).toUInt();
            rest.truncate(slash);
        }
        const QString label = rest.section(QRegularExpression("[=>]"), 0, 0);
        const QString value = rest.section(QRegularExpression("[=>]"), 1);
        if (kind == "ptr") {
            r.name = nameFromDotted("_http._tcp.local");
            r.type = TypePtr;
            r.target = instance(label);
        } else if (kind == "srv") {
            r.name = instance(label);
            r.type = TypeSrv;
            r.target = host(value.section(u':', 0, 0));
            r.port = value.contains(u':') ? value.section(u':', 1).toUShort() : 80;
        } else if (kind == "txt") {
            r.name = instance(label);
            r.type = TypeTxt;
            for (const QString &part : value.split(u','))
                r.rdata += char(part.size()) + part.toStdString();
        } else if (kind == "a") {
            r.name = host(label);
            const QHostAddress address(value);
            const bool v4 = address.protocol() == QAbstractSocket::IPv4Protocol;
            r.type = v4 ? TypeA : TypeAaaa;
            const Q_IPV6ADDR v6 = address.toIPv6Address(); // IPv4: mapped, in the last 4 bytes
            r.rdata =
                std::string(reinterpret_cast<const char *>(v6.c) + (v4 ? 12 : 0), v4 ? 4 : 16);
        } else if (kind == "nsec") {
            r.name = host(label);
            r.type = TypeNsec;
            const QStringList types = value.split(u',');
            const std::string bitmap{char(types.contains("A") ? 0x40 : 0), 0, 0,
                                     char(types.contains("AAAA") ? 0x08 : 0)};
            r.rdata = r.name + '\0' + '\0' + char(bitmap.size()) + bitmap;
        }
        return r;
    }

    // The queries sent since the last call, each once (the IPv6 copy must carry the same bytes).
    std::vector<dns::Message> queries()
    {
        std::vector<dns::Message> messages;
        for (qsizetype i = 0; i + 1 < transport.sent.size(); i += 2) {
            const auto &v4 = transport.sent[i];
            const auto &v6 = transport.sent[i + 1];
            if (v4.destination != QHostAddress("224.0.0.251") || v4.port != 5353 ||
                v6.destination != QHostAddress("ff02::fb") || v6.datagram != v4.datagram)
                qFatal("a query not sent to both groups on port 5353");
            // Queries carry ID 0 and no flag but TC (RFC 6762 §18), and parse whole.
            const auto message =
                dns::parseMessage(reinterpret_cast<const uint8_t *>(v4.datagram.constData()),
                                  size_t(v4.datagram.size()));
            if (!message || message->truncatedByError || message->id != 0 ||
                (message->flags & ~dns::kFlagTruncated) != 0)
                qFatal("a query that does not parse whole, or with an ID or flags");
            messages.push_back(*message);
        }
        transport.sent.clear();
        return messages;
    }

private:
    QString step(const QString &text)
    {
        QStringList words = text.split(u' ', Qt::SkipEmptyParts);
        const QString verb = words.takeFirst();
        auto service = [&](int i) {
            return i < int(found.size()) ? found[size_t(i)].get() : nullptr;
        };
        const int index = words.isEmpty() ? 0 : words[0].toInt();
        if (verb == "browse") {
            browser = std::make_unique<MdnsBrowser>(&engine);
            QObject::connect(
                browser.get(), &DnsSdBrowser::serviceFound,
                [this](std::shared_ptr<DnsSdService> s, bool more) { onFound(s, more); });
            call([&] { browser->searchForServicesOfType("_http._tcp", QString()); });
        } else if (verb == "stop") {
            call([&] { browser->stop(); });
        } else if (verb == "unbrowse") {
            browser.reset();
        } else if (verb == "alone") {
            transport.socketReport.portShared = false;
        } else if (verb.startsWith(u'+')) {
            time.advance(verb.mid(1).toLongLong());
        } else if (verb == "<" || verb == "ask") {
            deliver(verb == "<", words);
        } else if (verb == "resolve" || verb == "monitor" || verb == "drop") {
            if (!service(index))
                return QStringLiteral("no service %1").arg(index);
            if (verb == "drop")
                found[size_t(index)].reset();
            else if (verb == "monitor")
                call([&] { service(index)->startMonitoring(); });
            else
                call([&] { service(index)->resolve(words.value(1, "10").toDouble()); });
        } else if (verb == "when-found") {
            (words.value(0) == "stop" ? m_stopOnFound : m_chain) = true;
        } else if (verb == "echo") { // our last query comes back through the multicast loop
            transport.deliver(transport.sent.last().datagram, QHostAddress("198.18.0.1"));
        } else if (verb == "clear") {
            m_events.clear();
        } else if (verb == "when-txt") {
            m_dropOnTxt[index] = words.value(2).toInt();
        } else if (verb == "?") {
            return compare(sentQuestions(words.contains("|")), words.join(u' '));
        } else if (verb == "=") {
            return compare(std::exchange(m_events, {}).join(u' '), words.join(u' '));
        } else if (verb == "addresses") {
            return compare(addressesOf(service(index)), words.mid(1).join(u' '));
        } else if (verb == "host") {
            const DnsSdService *s = service(index);
            return compare(
                s ? QStringList{s->type(), s->domain(), s->hostName(), QString::number(s->port())}
                        .join(u' ')
                  : "none",
                words.mid(1).join(u' '));
        } else if (verb == "cached") {
            const dns::Question r = question(words.value(0));
            return compare(
                QString::number(engine.cacheForTesting().find(r.name, r.type, time.now()).size()),
                words.value(1));
        } else {
            return QStringLiteral("unknown step");
        }
        return {};
    }

    static QString compare(const QString &actual, const QString &expected)
    {
        return actual == expected ? QString() : QStringLiteral("got \"%1\"").arg(actual);
    }

    template<typename F>
    void call(F f)
    {
        m_inCall = true;
        f();
        m_inCall = false;
    }

    void event(const QString &text) { m_events.append(m_inCall ? "inside-call:" + text : text); }

    void onFound(std::shared_ptr<DnsSdService> s, bool more)
    {
        const QString name = s->name();
        event("found:" + name + (more ? "+" : ""));
        const int index = int(found.size());
        found.push_back(s);
        QObject::connect(s.get(), &DnsSdService::resolved, [=, this] {
            event("resolved:" + name);
            if (m_chain)
                call([&] { found[size_t(index)]->startMonitoring(); });
        });
        QObject::connect(s.get(), &DnsSdService::resolveFailed,
                         [=, this] { event("failed:" + name); });
        QObject::connect(s.get(), &DnsSdService::txtRecordChanged,
                         [=, this](const QByteArray &txt) {
                             QStringList parts;
                             for (qsizetype i = 0; i < txt.size(); i += 1 + quint8(txt[i]))
                                 parts.append(QString::fromLatin1(txt.mid(i + 1, quint8(txt[i]))));
                             event("txt:" + name + "=" + parts.join(u','));
                             if (m_dropOnTxt.contains(index))
                                 found[size_t(m_dropOnTxt[index])].reset();
                         });
        if (m_stopOnFound)
            call([&] { browser->stop(); });
        if (m_chain)
            call([&] { s->resolve(10); });
    }

    void deliver(bool isResponse, const QStringList &words)
    {
        QMap<QString, QString> options{{"from", "198.18.0.10"},
                                       {"port", "5353"},
                                       {"iface", "2"},
                                       {"flags", isResponse ? "8400" : "0"}};
        std::vector<dns::ResourceRecord> answers, additionals;
        std::vector<dns::Question> questions;
        bool additional = false;
        for (const QString &word : words) {
            if (word == "|")
                additional = true;
            else if (word.contains(u'=') && !word.section(u'=', 0, 0).contains(u':'))
                options[word.section(u'=', 0, 0)] = word.section(u'=', 1);
            else if (!isResponse && !additional)
                questions.push_back(question(word));
            else
                (additional && isResponse ? additionals : answers).push_back(record(word));
        }
        if (options.contains("q"))
            questions.push_back(question(options["q"]));
        for (int i = 0; i < options.value("pad").toInt(); ++i)
            answers.push_back(record(QStringLiteral("ptr:other-camera-%1").arg(i)));
        dns::MessageWriter writer(9000, 0, uint16_t(options["flags"].toUInt(nullptr, 16)));
        for (const auto &q : questions)
            writer.addQuestion(q);
        for (const auto &r : answers)
            writer.addAnswer(r);
        for (const auto &r : additionals)
            writer.addAdditional(r);
        transport.deliver(QByteArray(reinterpret_cast<const char *>(writer.bytes().data()),
                                     qsizetype(writer.size())),
                          QHostAddress(options["from"]), options["port"].toUShort(),
                          options["iface"].toInt());
    }

    static inline const std::map<QString, uint16_t> kTypes{{"ptr", dns::TypePtr},
                                                           {"srv", dns::TypeSrv},
                                                           {"txt", dns::TypeTxt},
                                                           {"a", dns::TypeA},
                                                           {"aaaa", dns::TypeAaaa}};

    static dns::Question question(const QString &token)
    {
        const bool unicast = token.endsWith("(QU)");
        const uint16_t type = kTypes.at(token.section(u':', 0, 0).remove("(QU)"));
        const QString label = token.section(u':', 1);
        const std::string name = type == dns::TypePtr ? dns::nameFromDotted("_http._tcp.local")
                                 : type == dns::TypeSrv || type == dns::TypeTxt ? instance(label)
                                                                                : host(label);
        return {name, type, dns::kClassIn, unicast};
    }

    // "srv:cam" for a question; "ptr:cam/4499" for a known answer.
    static QString tokenOf(uint16_t type, const std::string &name, const dns::ResourceRecord *known)
    {
        const auto label = [](const std::string &n) {
            return QString::fromStdString(n.substr(1, uint8_t(n[0])));
        };
        QString kind;
        for (const auto &[text, value] : kTypes)
            kind = value == type ? text : kind;
        if (type == dns::TypePtr)
            return known ? QStringLiteral("ptr:%1/%2").arg(label(known->target)).arg(known->ttl)
                         : kind;
        return kind + ':' + label(name);
    }

    QString sentQuestions(bool withKnown)
    {
        QStringList asked, known;
        for (const dns::Message &message : queries()) {
            for (const dns::Question &q : message.questions)
                asked.append(tokenOf(q.type, q.name, nullptr) + (q.unicastResponse ? "(QU)" : ""));
            for (const dns::ResourceRecord &r : message.answers)
                known.append(tokenOf(r.type, r.name, &r));
        }
        asked.sort();
        known.sort();
        return withKnown ? (asked + QStringList{"|"} + known).join(u' ') : asked.join(u' ');
    }

    static QString addressesOf(const DnsSdService *s)
    {
        if (!s)
            return "none";
        QStringList texts;
        for (const QByteArray &block : s->addresses()) {
            const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(block.constData());
            QHostAddress address(reinterpret_cast<const sockaddr *>(block.constData()));
            if (block.size() == sizeof(sockaddr_in6) && v6->sin6_scope_id != 0)
                address.setScopeId(QString::number(v6->sin6_scope_id));
            texts.append(address.toString() + ':' +
                         QString::number(qFromBigEndian<quint16>(block.constData() + 2)));
        }
        texts.sort();
        return texts.join(u' ');
    }

    QStringList m_events;
    bool m_inCall = false;
    bool m_stopOnFound = false;
    bool m_chain = false;
    std::map<int, int> m_dropOnTxt;
};

// The record cache alone: A records of "198.18.0.N".
static dns::ResourceRecord aRecord(const char *hostName, uint8_t last, uint32_t ttl,
                                   bool flush = false)
{
    dns::ResourceRecord record;
    record.name = dns::nameFromDotted(hostName);
    record.type = dns::TypeA;
    record.ttl = ttl;
    record.cacheFlush = flush;
    record.rdata = std::string{char(198), char(18), char(0), static_cast<char>(last)};
    return record;
}

static size_t count(const MdnsCache &cache, const char *hostName, int64_t now)
{
    return cache.find(dns::nameFromDotted(hostName), dns::TypeA, now).size();
}

// The engine's parts as conversations: the schedule of a browse's questions (MdnsBrowseSchedule),
// which responses are taken (MdnsResponseIntake), which questions of other queriers stand in for
// ours (MdnsDuplicateQuestions), one service's resolution and TXT monitoring (MdnsResolution), the
// notice pump's promise (no signal from inside a call, none for a dropped service), what
// MdnsQueryScheduler sends when, and the socket report on its way to the browser;
// the record cache alone.
class TestMdnsEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void conversation_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("2 ms, then 1 s, 2 s, 4 s; no known answer yet")
            << "browse; +1; ?; +1; ? ptr |; +999; ?; +1; ? ptr; +1999; ?; +1; ? ptr; +3999; ?; "
               "+1; ? ptr";
        QTest::newRow("alone on 5353: the first question QU, unicast answer taken")
            << "alone; browse; +2; ? ptr(QU); +1000; ? ptr; < ptr:cam; = found:cam";
        QTest::newRow("known answers with at least half their TTL")
            << "browse; +2; ? ptr; < ptr:long ptr:short/10; +1000; ? ptr | ptr:long/4499 "
               "ptr:short/9; "
               "+2000; ? ptr | ptr:long/4497 ptr:short/7; +4000; ? ptr | ptr:long/4493";
        QTest::newRow("a fresh browse reports and knows only what answers it")
            << "browse; +2; < ptr:a ptr:b | srv:a>host-a txt:a=k=v a:host-a=198.18.0.1 "
               "a:host-a=2001:db8::1; = found:a+ found:b; stop; +500; ? ptr; browse; +2; ? ptr |; "
               "< ptr:a; = found:a; resolve 2; +0; = resolved:a; +5000; = ; "
               "? ptr ptr | ptr:a/4497 ptr:a/4499";
        const QString found = "browse; +2; < ptr:cam %1; = %2";
        QTest::newRow("from 5353 on the link") << found.arg("", "found:cam");
        QTest::newRow("from another port") << found.arg("port=5354", "");
        QTest::newRow("from beyond the link") << found.arg("from=198.19.7.7", "");
        QTest::newRow("with a response code") << found.arg("flags=8403", "");
        QTest::newRow("with an opcode") << found.arg("flags=a400", "");
        QTest::newRow("a goodbye reports nothing") << "browse; +2; < ptr:gone/0; =";
        QTest::newRow("a response's question is no query")
            << "browse; +2; ? ptr; < q=ptr ptr:cam; = found:cam; +1000; ? ptr | ptr:cam/4499";
        QTest::newRow("another's question stands in for ours")
            << "browse; +1; ask ptr from=198.18.0.20; +1; ?; +998; ?; +1; ? ptr |";
        QTest::newRow("not with a known answer we lack")
            << "browse; +1; ask ptr | ptr:theirs from=198.18.0.20; +1; ? ptr";
        QTest::newRow("not a QU question") << "browse; +1; ask ptr(QU) from=198.18.0.20; +1; ? ptr";
        QTest::newRow("our own query looped back") << "browse; +2; echo; ? ptr; +1000; ? ptr";
        QTest::newRow("stopped from its slot, destroyed: silent")
            << "browse; when-found stop; +2; < ptr:a ptr:b ptr:c; = found:a+; ? ptr; +10000; ?; "
               "unbrowse; < ptr:d; =";
        QTest::newRow("from the additionals, asking nothing")
            << "browse; +2; ? ptr; < ptr:cam | srv:cam>cam-host:8080 txt:cam=vender=tulvo "
               "a:cam-host=198.18.0.7 a:cam-host=fe80::7 iface=3; = found:cam; addresses 0; "
               "resolve 0; =; +0; = resolved:cam; host 0 _http._tcp local. cam-host.local. 8080; "
               "addresses 0 198.18.0.7:8080 fe80::7%3:8080; monitor 0; =; +0; "
               "= txt:cam=vender=tulvo; +5000; ? ptr ptr";
        QTest::newRow("found -> resolved -> TXT within one message")
            << "when-found resolve; browse; +2; < ptr:cam | srv:cam>cam-host txt:cam=k=v "
               "a:cam-host=198.18.0.7 a:cam-host=2001:db8::7; = found:cam resolved:cam txt:cam=k=v";
        const QString missing =
            "%1browse; +2; ? ptr%2; < ptr:cam; = found:cam; resolve 0; +0; "
            "+10; ?; +10; ? srv:cam%2 txt:cam%2; < srv:cam>cam-host txt:cam=k=v; "
            "+20; ? a:cam-host%2 aaaa:cam-host%2; < a:cam-host=198.18.0.9; +20; "
            "? aaaa:cam-host%2; =; ";
        QTest::newRow("asks what is missing; the other family answers")
            << missing.arg("", "") + "+20; < a:cam-host=2001:db8::9; +0; = resolved:cam; "
                                     "addresses 0 198.18.0.9:80 2001:db8::9:80";
        QTest::newRow("only IPv4 exists: 170 ms after the QM question left")
            << missing.arg("", "") + "+169; =; +1; = resolved:cam; addresses 0 198.18.0.9:80";
        QTest::newRow("alone on 5353, QU: only IPv4 exists, 50 ms after the question left")
            << missing.arg("alone; ", "(QU)") + "+49; =; +1; = resolved:cam";
        QTest::newRow("a split answer completes before the question leaves")
            << "browse; +2; ? ptr; < ptr:cam | srv:cam>cam-host a:cam-host=198.18.0.9; resolve 0; "
               "+0; "
               "= found:cam; +3; < | a:cam-host=2001:db8::9; = resolved:cam; +100; ?";
        const QString cut = "browse; +2; ? ptr; < ptr:cam pad=60 | a:cam-host=198.18.0.9 "
                            "srv:cam>cam-host a:cam-host=2001:db8::9 srv:y>y-host; clear; "
                            "resolve 0; +0; +5; =; ";
        QTest::newRow("large message cut: the next one brings the rest")
            << cut + "< | a:cam-host=fe80::9 srv:x>x-host; = resolved:cam; "
                     "addresses 0 198.18.0.9:80 2001:db8::9:80 fe80::9%2:80";
        QTest::newRow("large message cut: the next one brings no more")
            << cut + "< | srv:x>x-host; = resolved:cam; addresses 0 198.18.0.9:80 2001:db8::9:80";
        QTest::newRow("large message cut: nothing more comes, the burst is over after 50 ms")
            << cut + "+44; =; +1; = resolved:cam";
        QTest::newRow("NSEC denies the other family")
            << "browse; +2; ? ptr; < ptr:cam | srv:cam>cam-host a:cam-host=198.18.0.9 "
               "nsec:cam-host=A; "
               "resolve 0; +0; = found:cam resolved:cam; +100; ?";
        QTest::newRow("times out; SRV repeated after 1 s")
            << "browse; +2; < ptr:mute; resolve 0 3; +2999; = found:mute; +1; = failed:mute; "
               "? ptr ptr ptr srv:mute srv:mute txt:mute txt:mute";
        QTest::newRow("a goodbye leaves one second later")
            << "browse; +2; < ptr:cam | srv:cam>cam-host a:cam-host=198.18.0.1 "
               "a:cam-host=2001:db8::1; resolve 0; +0; < a:cam-host=198.18.0.1/0; "
               "addresses 0 2001:db8::1:80; +999; cached a:cam-host 1; +1; cached a:cam-host 0";
        QString refresh = "browse; +2; < ptr:watched ptr:other | txt:watched=k=v/100 "
                          "txt:other=k=w/100; stop; monitor 0; +0; ? ptr; +79999; ?; +1; +10; "
                          "? txt:watched; ";
        for (int percent = 85; percent <= 95; percent += 5)
            refresh += "+4989; ?; +1; +10; ? txt:watched; ";
        QTest::newRow("TXT refreshed at 80-95 %, gone at 100 %")
            << refresh + "+10000; ?; cached txt:watched 0";
        QTest::newRow("a TXT change reported once")
            << "browse; +2; < ptr:cam | txt:cam=v=01; monitor 0; +0; = found:cam txt:cam=v=01; "
               "+2000; < txt:cam=v=01; =; < txt:cam=v=02; = txt:cam=v=02; < txt:cam=v=02; +1500; =";
        QTest::newRow("dropped services stay silent, ask nothing")
            << "browse; +2; < ptr:a ptr:b ptr:c | txt:a=v=1 txt:b=v=1; ? ptr; monitor 0; "
               "monitor 1; +0; resolve 2; drop 2; when-txt 0 drop 1; clear; +2000; "
               "< txt:a=v=2 txt:b=v=2; = txt:a=v=2; +3000; ? ptr ptr";
    }

    void conversation()
    {
        QFETCH(QString, script);
        Conversation c;
        const QString error = c.run(script);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void socketReportReachesTheBrowser()
    {
        Conversation c;
        QCOMPARE(c.run("browse"), QString());
        QSignalSpy changed(c.browser.get(), &DnsSdBrowser::socketReportChanged);
        DnsSdSocketReport report{true, false, false, {{"eth1", {}, true, true}}, {"IPv6: no"}};
        c.transport.setReport(report);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(c.browser->socketReport(), report);
        c.browser->stop(); // silent once stopped, still readable
        c.transport.setReport({});
        QCOMPARE(changed.size(), 1);
        QCOMPARE(c.browser->socketReport(), DnsSdSocketReport{});
    }

    void knownAnswersContinueWithTruncation()
    {
        Conversation c;
        QCOMPARE(c.run("browse; +2; ? ptr; < pad=150; +1000"), QString());
        for (const auto &query : c.transport.sent)
            QVERIFY(query.datagram.size() <= 1452);
        const auto sent = c.queries();
        QVERIFY(sent.size() > 1);
        size_t answers = 0;
        for (size_t i = 0; i < sent.size(); ++i) {
            QCOMPARE(sent[i].questions.size(), i == 0 ? 1u : 0u);
            QCOMPARE((sent[i].flags & dns::kFlagTruncated) != 0, i + 1 < sent.size());
            answers += sent[i].answers.size();
        }
        QCOMPARE(answers, 150u);
    }

    void quietMoment_data()
    {
        QTest::addColumn<int>("streamFor");
        QTest::addColumn<int>("askedAfter");
        QTest::newRow("answers stream for 100 ms") << 100 << 110; // the last one at 90 ms
        QTest::newRow("answers never stop: asked after 500 ms") << 1000 << 500;
    }

    void quietMoment()
    {
        QFETCH(int, streamFor);
        QFETCH(int, askedAfter);
        QString script = "browse; +2; < ptr:cam; resolve 0; ? ptr; ";
        for (int t = 0; t < askedAfter; ++t) {
            if (t < streamFor && t % 10 == 0)
                script += QStringLiteral("< ptr:other-%1; ").arg(t);
            script += t + 1 == askedAfter ? "?; +1; " : "+1; ";
        }
        Conversation c;
        QCOMPARE(c.run(script + "? srv:cam txt:cam"), QString());
    }

    void batchedAndPaced()
    {
        Conversation c;
        QString script = "browse; +2; ? ptr; ";
        for (int part = 0; part < 5; ++part) {
            script += "< ";
            for (int i = 0; i < 200; ++i)
                script += QStringLiteral("ptr:camera-%1 ").arg(part * 200 + i);
            script += "; ";
        }
        QCOMPARE(c.run(script), QString());
        QCOMPARE(c.found.size(), 1000u);
        for (const auto &service : c.found)
            service->resolve(10);
        c.time.advance(20);
        QStringList asked;
        auto collect = [&](const std::vector<dns::Message> &messages) {
            for (const dns::Message &message : messages) {
                for (const dns::Question &q : message.questions)
                    asked.append(QString::fromStdString(q.name) + QString::number(q.type));
            }
            return messages.size();
        };
        QCOMPARE(collect(c.queries()), 8u);
        c.time.advance(9);
        QCOMPARE(collect(c.queries()), 0u);
        c.time.advance(1);
        QVERIFY(collect(c.queries()) <= 8u);
        c.time.advance(100);
        collect(c.queries());
        QCOMPARE(asked.size(), 2000); // SRV and TXT of each, once
        QCOMPARE(QSet<QString>(asked.begin(), asked.end()).size(), 2000);
    }

    void cacheExpiresAtItsTtl()
    {
        MdnsCache cache;
        QCOMPARE(cache.insert(aRecord("a.local", 1, 10), 0, 1), MdnsCache::Change::Added);
        QCOMPARE(cache.insert(aRecord("A.LOCAL", 1, 10), 5000, 1), MdnsCache::Change::Refreshed);
        QCOMPARE(cache.nextExpiry(), 15000);
        cache.removeExpired(14999);
        QCOMPARE(cache.size(), 1u);
        QCOMPARE(count(cache, "a.local", 14999), 1u);
        QCOMPARE(count(cache, "a.local", 15000), 0u); // already invisible at its expiry
        cache.removeExpired(15000);
        QCOMPARE(cache.size(), 0u);
        QVERIFY(!cache.nextExpiry());
    }

    void cacheGoodbye()
    {
        MdnsCache cache;
        cache.insert(aRecord("a.local", 1, 120), 0, 1);
        QCOMPARE(cache.insert(aRecord("a.local", 1, 0), 100, 1), MdnsCache::Change::Goodbye);
        QVERIFY(!cache.newest(dns::nameFromDotted("a.local"), dns::TypeA, 100));
        // A goodbye for something never cached adds nothing.
        QCOMPARE(cache.insert(aRecord("b.local", 1, 0), 2000, 1), MdnsCache::Change::None);
        QCOMPARE(count(cache, "b.local", 2000), 0u);
    }

    void cacheFlush_data()
    {
        QTest::addColumn<int64_t>("secondArrivesAfter");
        QTest::addColumn<bool>("flush");
        QTest::addColumn<size_t>("leftAfterTwoSeconds");
        QTest::newRow("flush bit, older record 2 s old") << int64_t{2000} << true << size_t{1};
        QTest::newRow("flush bit, older record 0.5 s old") << int64_t{500} << true << size_t{2};
        QTest::newRow("no flush bit") << int64_t{2000} << false << size_t{2};
    }

    void cacheFlush()
    {
        QFETCH(int64_t, secondArrivesAfter);
        QFETCH(bool, flush);
        QFETCH(size_t, leftAfterTwoSeconds);
        MdnsCache cache;
        cache.insert(aRecord("a.local", 1, 120, true), 0, 1);
        cache.insert(aRecord("a.local", 2, 120, flush), secondArrivesAfter, 1);
        QCOMPARE(count(cache, "a.local", secondArrivesAfter), 2u); // flushed ones stay 1 s
        const int64_t later = secondArrivesAfter + 2000;
        cache.removeExpired(later);
        QCOMPARE(count(cache, "a.local", later), leftAfterTwoSeconds);
        QCOMPARE(cache.newest(dns::nameFromDotted("a.local"), dns::TypeA, later)->record.rdata[3],
                 2);
    }

    void cacheCapacityDropsClosestToExpiry()
    {
        MdnsCache cache(3);
        cache.insert(aRecord("a.local", 1, 100), 0, 1);
        cache.insert(aRecord("b.local", 1, 10), 0, 1);
        cache.insert(aRecord("c.local", 1, 50), 0, 1);
        cache.insert(aRecord("d.local", 1, 70), 0, 1);
        QCOMPARE(cache.size(), 3u);
        QCOMPARE(count(cache, "b.local", 0), 0u);
        QCOMPARE(count(cache, "d.local", 0), 1u);
        cache.removeExpired(1000000);
        QCOMPARE(cache.size(), 0u);
    }

    void cacheRefreshOnlyWhenWatched()
    {
        MdnsCache cache;
        cache.insert(aRecord("a.local", 1, 100), 0, 1);
        QVERIFY(!cache.nextRefresh());
        cache.watch(dns::nameFromDotted("a.local"), dns::TypeA);
        QList<int64_t> times;
        while (cache.nextRefresh()) {
            const int64_t at = *cache.nextRefresh();
            QCOMPARE(cache.takeDueRefreshes(at).size(), 1u);
            times.append(at);
        }
        QCOMPARE(times, (QList<int64_t>{80000, 85000, 90000, 95000}));

        // A fresh answer starts the stages again; unwatching ends them.
        cache.insert(aRecord("a.local", 1, 100), 100000, 1);
        QCOMPARE(cache.nextRefresh(), 180000);
        cache.unwatch(dns::nameFromDotted("a.local"), dns::TypeA);
        QVERIFY(!cache.nextRefresh());
    }
};

QTEST_GUILESS_MAIN(TestMdnsEngine)
#include "tst_mdnsengine.moc"
