#pragma once

#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsBrowser.h"
#include "platform/mdns/MdnsCache.h"
#include "platform/mdns/MdnsEngine.h"
#include "tests/support/MdnsFakes.h"

#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <map>
#include <memory>
#include <set>

// Scripted conversations with the mDNS engine on the fake transport and clock, for the engine's
// tests and its fuzzer. A script is a list of steps separated by ";", run in order; run() returns
// the first step whose check failed, with what it saw, or nothing.
//
//   browse [TYPE [DOMAIN]] / stop / unbrowse / alone
//                                         search (default "_http._tcp") / stop / destroy the
//                                         browser / no other stack shares port 5353 (QU allowed)
//   +N                                    the clock moves N ms (the timer fires on the way)
//   < RECORDS [| ADDITIONALS] [from=IP port=N flags=HEX iface=N pad=N q=QUESTION]
//                                         a response; pad=N adds N other PTRs (a large message),
//                                         flush=0 clears every cache-flush bit
//   raw HEX [from=IP port=N iface=N]      a datagram of these bytes
//   ask QUESTION [| KNOWN] [from=IP]      another querier's query
//   resolve I [SECONDS] / monitor I / drop I
//                                         calls on the I-th found service (0-based)
//   when-found stop|resolve               what the slot for a new service does (resolve: resolve
//                                         it, and monitor it once resolved)
//   when-txt I drop J                     the I-th service's TXT slot drops the J-th
//   echo / clear                          our last query comes back / forget the signals so far
//   ? QUESTIONS [| KNOWN]                 the questions sent since the last check, sorted; with
//                                         "|" also their known answers, sorted
//   = EVENTS                              the signals since the last check, in order
//   addresses I IP... / host I NAME PORT / cached RECORD N / cache-size N
//
// Records: ptr:cam[/TTL], srv:cam>host[:PORT], txt:cam=k=v,x=y[/TTL], a:host=IP[/TTL] (A or
// AAAA by the address), nsec:host=A,AAAA (the types it lists). Instances are of "_http._tcp.local",
// hosts of "local"; "%20" in a label is a space. Questions: ptr, srv:cam, txt:cam, a:host,
// aaaa:host. Events: found:cam (with
// "+" when more are coming), resolved:cam, failed:cam, txt:cam=k=v; "inside-call:..." marks a
// signal that came from inside a call, "after-stop:..." one for a stopped browse, "unasked:..." a
// resolution or TXT signal of a service never asked to resolve or monitor.
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

    // "%20" in a label stands for a space.
    static std::string instance(const QString &label)
    {
        return dns::nameFromDotted(
            (QString(label).replace("%20", " ") + QStringLiteral("._http._tcp.local"))
                .toStdString());
    }
    static std::string host(const QString &label)
    {
        return dns::nameFromDotted(
            (QString(label).replace("%20", " ") + QStringLiteral(".local")).toStdString());
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

    // The signals since the last call, as in "=" steps.
    QStringList takeEvents() { return std::exchange(m_events, {}); }

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
            if (!browser) {
                browser = std::make_unique<MdnsBrowser>(&engine);
                QObject::connect(
                    browser.get(), &DnsSdBrowser::serviceFound,
                    [this](std::shared_ptr<DnsSdService> s, bool more) { onFound(s, more); });
            }
            m_stopped = false;
            call([&] {
                browser->searchForServicesOfType(words.value(0, "_http._tcp"), words.value(1));
            });
        } else if (verb == "stop") {
            if (!browser)
                return QStringLiteral("no browser");
            m_stopped = true;
            call([&] { browser->stop(); });
        } else if (verb == "unbrowse") {
            browser.reset();
        } else if (verb == "alone") {
            transport.socketReport.portShared = false;
        } else if (verb.startsWith(u'+')) {
            time.advance(verb.mid(1).toLongLong());
        } else if (verb == "<" || verb == "ask" || verb == "raw") {
            deliver(verb, words);
        } else if (verb == "resolve" || verb == "monitor" || verb == "drop") {
            if (!service(index))
                return QStringLiteral("no service %1").arg(index);
            if (verb == "drop")
                found[size_t(index)].reset();
            else if (verb == "monitor")
                call([&] { m_asked.insert({index, "txt"}), service(index)->startMonitoring(); });
            else
                call([&] {
                    m_asked.insert({index, "resolved"});
                    service(index)->resolve(words.value(1, "10").toDouble());
                });
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
        } else if (verb == "cache-size") {
            return compare(QString::number(engine.cacheForTesting().size()), words.value(0));
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

    void event(const QString &text, bool asked = true)
    {
        m_events.append((m_inCall ? "inside-call:" : "") + QString(asked ? "" : "unasked:") + text);
    }
    bool asked(int index, const char *what) const { return m_asked.contains({index, what}); }

    void onFound(std::shared_ptr<DnsSdService> s, bool more)
    {
        const QString name = s->name();
        event((m_stopped ? "after-stop:found:" : "found:") + name + (more ? "+" : ""));
        const int index = int(found.size());
        found.push_back(s);
        QObject::connect(s.get(), &DnsSdService::resolved, [=, this] {
            event("resolved:" + name, asked(index, "resolved"));
            if (m_chain)
                call([&] {
                    m_asked.insert({index, "txt"});
                    found[size_t(index)]->startMonitoring();
                });
        });
        QObject::connect(s.get(), &DnsSdService::resolveFailed,
                         [=, this] { event("failed:" + name, asked(index, "resolved")); });
        QObject::connect(s.get(), &DnsSdService::txtRecordChanged,
                         [=, this](const QByteArray &txt) {
                             QStringList parts;
                             for (qsizetype i = 0; i < txt.size(); i += 1 + quint8(txt[i]))
                                 parts.append(QString::fromLatin1(txt.mid(i + 1, quint8(txt[i]))));
                             event("txt:" + name + "=" + parts.join(u','), asked(index, "txt"));
                             if (m_dropOnTxt.contains(index))
                                 found[size_t(m_dropOnTxt[index])].reset();
                         });
        if (m_stopOnFound)
            call([&] { m_stopped = true, browser->stop(); });
        if (m_chain)
            call([&] { m_asked.insert({index, "resolved"}), s->resolve(10); });
    }

    void deliver(const QString &verb, const QStringList &words)
    {
        const bool isResponse = verb == "<";
        QMap<QString, QString> options{{"from", "198.18.0.10"},
                                       {"port", "5353"},
                                       {"iface", "2"},
                                       {"flags", isResponse ? "8400" : "0"}};
        std::vector<dns::ResourceRecord> answers, additionals;
        std::vector<dns::Question> questions;
        bool additional = false;
        for (const QString &word : words.mid(verb == "raw" ? 1 : 0)) {
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
        for (auto *section : {&answers, &additionals}) {
            for (dns::ResourceRecord &r : *section)
                r.cacheFlush = r.cacheFlush && options.value("flush") != "0";
        }
        dns::MessageWriter writer(9000, 0, uint16_t(options["flags"].toUInt(nullptr, 16)));
        for (const auto &q : questions)
            writer.addQuestion(q);
        for (const auto &r : answers)
            writer.addAnswer(r);
        for (const auto &r : additionals)
            writer.addAdditional(r);
        transport.deliver(
            verb == "raw" ? QByteArray::fromHex(words.value(0).toLatin1())
                          : QByteArray(reinterpret_cast<const char *>(writer.bytes().data()),
                                       qsizetype(writer.size())),
            QHostAddress(options["from"]), options["port"].toUShort(), options["iface"].toInt());
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
            return QString::fromStdString(n.substr(1, uint8_t(n[0]))).replace(u' ', "%20");
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
    bool m_stopped = false;
    std::set<std::pair<int, QString>> m_asked; // (service, "resolved" or "txt")
    std::map<int, int> m_dropOnTxt;
};
